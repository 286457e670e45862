// The surface and geometry records that the scene, the loader, the animation, the HUD and the
// drawing share: Material (copied by value into entities and keys) and Mesh (its Vertex is in
// core/math.h), held by value in the mesh list, which owns the vertex and index arrays. No GL here.
#pragma once

#include "core/list.h"
#include "core/math.h"

inline constexpr int NAME_SIZE = 20;  // every name is a word of at most 19 bytes
inline constexpr int PATH_SIZE = 256; // a file name: a path of at most 255 bytes

struct Material {
    char name[NAME_SIZE];
    Colour ambient;
    Colour diffuse;
    Colour emission;
    float shininess;
    Colour specular;
    char texture[PATH_SIZE];
    int32_t textureId;
};

struct Mesh {
    char name[NAME_SIZE];
    int32_t vertexCount;
    Vertex* vertices;
    int32_t indexCount;
    uint32_t* indices;
    BoundingBox bounds;
};

using MeshList = RecordList<Mesh>;

// Appends a copy of the record whose vertex and index arrays are fresh copies of the caller's;
// the caller keeps its own arrays. Returns the new index.
int32_t appendMesh(MeshList* list, const Mesh& mesh);

// The bounds of mesh `index`; an index no append returned (an OBJECT in a file without meshes)
// gives the all-zero box.
BoundingBox getMeshBounds(const MeshList* list, int32_t index);
