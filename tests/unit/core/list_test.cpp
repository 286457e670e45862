// The list contract: appends return the old count; elements keep order, index and contents while
// the storage doubles (the sanitizer pass sees any write past it); meshes copy the caller's arrays.
#include <gtest/gtest.h>

#include <vector>

#include "core/alloc.h"
#include "core/list.h"
#include "core/records.h"

TEST(List, CapacityIsTheNextPowerOfTwo) {
    const int32_t rows[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {5, 8}, {1024, 1024}, {1025, 2048}};
    for (const auto& row : rows) EXPECT_EQ(listCapacity(row[0]), size_t(row[1])) << row[0];
}

TEST(List, AppendsKeepOrderIndicesAndContentsAcrossGrowth) {
    constexpr int N = 1000; // ten doublings
    MeshList meshes{};
    PtrList<int> pointers{};
    IndexList* indices = createIndexList(-1);
    std::vector<int> model(N);
    for (int i = 0; i < N; ++i) {
        model[i] = i * 7 + 3;
        Vertex vertex{};
        vertex.position = {float(model[i]), 0, 0};
        uint32_t triangle[3] = {uint32_t(i), 1, 2};
        Mesh mesh{};
        mesh.vertexCount = 1, mesh.vertices = &vertex, mesh.indexCount = 3, mesh.indices = triangle;
        mesh.bounds.centre.x = float(i);
        ASSERT_EQ(appendMesh(&meshes, mesh), i);
        vertex.position.x = -1; // the caller's arrays stay the caller's
        triangle[0] = 0;
        ASSERT_EQ(appendPointer(&pointers, &model[i]), i);
        ASSERT_EQ(appendIndex(indices, model[i]), indices);
    }
    ASSERT_EQ(indices->count, N + 1);
    for (int i = 0; i < N; ++i) {
        EXPECT_EQ(meshes.items[i].vertices[0].position.x, float(model[i])) << i;
        EXPECT_EQ(meshes.items[i].indices[0], uint32_t(i)) << i;
        EXPECT_EQ(getMeshBounds(&meshes, i).centre.x, float(i)) << i;
        EXPECT_EQ(getPointer(&pointers, i), &model[i]) << i;
        EXPECT_EQ(indices->items[i + 1], model[i]) << i;
    }
    EXPECT_EQ(getMeshBounds(&meshes, N).centre.x, 0); // a link past the list: the zero box
    for (int i = 0; i < N; ++i)
        std::free(meshes.items[i].vertices), std::free(meshes.items[i].indices);
    std::free(meshes.items), std::free(pointers.items);
    freeIndexList(indices);
    freeIndexList(nullptr);
}

TEST(List, AnExhaustedHeapEndsWithOneLineNamingWhatAndItsOwnStatus) {
    EXPECT_EXIT(failAllocation("a list of 8 elements"),
                testing::ExitedWithCode(OUT_OF_MEMORY_STATUS),
                "^ERROR: out of memory allocating a list of 8 elements\n$");
}
