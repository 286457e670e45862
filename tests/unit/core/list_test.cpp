// The grow-by-one lists: deep copies of meshes, the zero box past the mesh list, index lists.
#include <gtest/gtest.h>

#include "core/list.h"
#include "render/records.h"

TEST(List, AppendMeshCopiesTheCallersArrays) {
    MeshList meshes{};
    Vertex vertices[3] = {};
    vertices[1].position = {1, 0, 0};
    uint32_t indices[3] = {0, 1, 2};
    Mesh mesh{};
    mesh.vertexCount = 3;
    mesh.vertices = vertices;
    mesh.indexCount = 3;
    mesh.indices = indices;
    mesh.bounds = boundsOfVertices(vertices, 3);
    EXPECT_EQ(appendMesh(&meshes, mesh), 0);
    vertices[1].position.x = 99;
    indices[2] = 7;
    EXPECT_NE(meshes.items[0].vertices, vertices);
    EXPECT_FLOAT_EQ(meshes.items[0].vertices[1].position.x, 1);
    EXPECT_EQ(meshes.items[0].indices[2], 2u);
    EXPECT_FLOAT_EQ(getMeshBounds(&meshes, 0).axis0.x, 0.5f);
    // A link that names no mesh gets the all-zero box instead of reading outside the list.
    EXPECT_FLOAT_EQ(getMeshBounds(&meshes, 1).axis0.x, 0);
    EXPECT_FLOAT_EQ(getMeshBounds(&meshes, -1).centre.x, 0);
}

TEST(List, IndexLists) {
    IndexList* list = createIndexList(4);
    EXPECT_EQ(list->count, 1);
    EXPECT_EQ(appendIndex(list, 9), list);
    ASSERT_EQ(list->count, 2);
    EXPECT_EQ(list->items[0], 4);
    EXPECT_EQ(list->items[1], 9);
    freeIndexList(list);
    freeIndexList(nullptr);
}
