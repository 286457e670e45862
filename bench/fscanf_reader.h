// The load benchmark's baseline: reads a scene file the plain way, one C library fscanf per
// template line, into plain arrays. It trusts the file (no error handling beyond stopping at the
// first mismatch); it exists to be timed beside the engine's parser, not to load scenes.
#pragma once

#include "core/records.h"

#include <cstdint>
#include <vector>

namespace bench {

struct FscanfMesh {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
};

struct FscanfScene {
    int32_t panels = 0;
    int32_t forces = 0;
    int32_t systems = 0;
    int32_t materials = 0;
    std::vector<FscanfMesh> meshes;
    int32_t entities = 0;
    int32_t keys = 0;
};

// False when a template did not match (the scene then holds what was read before).
bool readSceneWithFscanf(const char* path, FscanfScene* scene);

} // namespace bench
