// The mesh list's deep copies of vertex and index arrays.
#include "core/records.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc.h"

namespace {
template <typename T> T* copyArray(const T* source, int32_t count, const char* what) {
    if (count <= 0 || source == nullptr) return nullptr;
    auto* copy = static_cast<T*>(std::malloc(sizeof(T) * static_cast<size_t>(count)));
    if (copy == nullptr) failAllocation(what);
    std::memcpy(copy, source, sizeof(T) * static_cast<size_t>(count));
    return copy;
}
} // namespace

int32_t appendMesh(MeshList* list, const Mesh& mesh) {
    const int32_t index = appendRecord(list, mesh);
    Mesh& stored = list->items[index];
    stored.vertices = copyArray(mesh.vertices, mesh.vertexCount, "a mesh's vertices");
    stored.indices = copyArray(mesh.indices, mesh.indexCount, "a mesh's indices");
    if (stored.vertices == nullptr) stored.vertexCount = 0;
    if (stored.indices == nullptr) stored.indexCount = 0;
    return index;
}

BoundingBox getMeshBounds(const MeshList* list, int32_t index) {
    if (list == nullptr || index < 0 || index >= list->count) return BoundingBox{};
    return list->items[index].bounds;
}
