// Model import for krestel-import: reads a model file through assimp into one merged triangle
// list (importModel), scales and centres it, and writes it as a MESH record of the scene file
// (formatMeshRecord). Only importModel touches assimp or files; the rest works on memory.
// Lengths are in the model's own units times the scale; angles in degrees; the scene is Y-up.
#pragma once

#include "core/records.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Applied in this order: the turns (up, then rotate), centring (or flooring), scaling.
struct ImportOptions {
    float scale = 1.0f;  // positions are multiplied by it (after centring)
    bool centre = false; // move the centre of the bounds to the origin
    bool floor = false;  // centre in x and z, the lowest point at y = 0
    Float3 up{0.0f, 1.0f, 0.0f}; // the model's up as read (an axis); turned onto the scene's +y
    float rotateDegrees = 0.0f;
    Float3 rotateAxis{0.0f, 0.0f, 0.0f}; // a zero axis: no turn
    float fit = 0.0f;                    // > 0: the scale that makes the largest side this long
};

struct ModelBounds {
    Float3 lo;
    Float3 hi;
};

// One triangle list made from every mesh of a model, in the model's world frame.
struct ImportedModel {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;     // three per triangle
    int32_t meshCount = 0;             // meshes of the file that gave triangles
    int32_t skippedPrimitives = 0;     // points and lines, which a MESH cannot hold
    std::vector<std::string> textures; // diffuse image files named by the used materials
    std::string upAxis;                // "+Z", "-Y", ... as the file declares it; empty: no word
};

// Reads the file through assimp: triangulated, normals generated where missing (hard edges
// kept above 80 degrees), identical vertices joined, node transforms applied, every mesh
// merged. Returns false with a one-line reason in `error` when the file is missing, cannot be
// read as a model or holds no triangle.
bool importModel(const std::string& path, ImportedModel* model, std::string* error);

// Turns positions and normals, then centres or floors (when asked) and scales the positions;
// normals keep their direction under centring and scaling.
void transformModel(ImportedModel* model, ImportOptions options);

// The box around the positions (all zero for no vertices).
ModelBounds modelBounds(const ImportedModel& model);
// "x -1 to 1, y 0 to 3, z -1 to 1; size 2 by 3 by 2; centre 0 1.5 0".
std::string describeBounds(const ModelBounds& bounds);

// Empty when the name can be a MESH word (1 to 19 characters, no whitespace); otherwise why not.
std::string meshNameProblem(std::string_view name);
// The name a model file gives when none is asked for: its file name without folder and
// extension.
std::string defaultMeshName(std::string_view path);

// The MESH record, exactly as the mesh section reads it, numbers written in the shortest form
// that reads back to the same float.
std::string formatMeshRecord(std::string_view name, const ImportedModel& model);
// The lines of the record after "MESH: name": what a mesh file holds.
std::string formatMeshLines(const ImportedModel& model);
// Empty when the path can be a file name in a scene file (TEXTURE, MESHFILE: 1 to 255 bytes, no
// whitespace); otherwise why not.
std::string fileNameProblem(std::string_view path);

// Comment lines (each starting "# ") naming the image file of each of the model's textures, found
// by its base name beside the model or in a folder inside or next to the model's, with the
// TEXTURE line that names a PNG, JPEG or TGA file where it lies (its absolute path), or else the
// command that puts it beside the scene (a copy, or a conversion to PNG for other formats).
std::string textureAdvice(const ImportedModel& model, std::string_view modelPath);
