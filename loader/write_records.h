// The record writer: scene-file text written with the parser's own templates (loader/vocabulary.h)
// so that what it writes reads back as the values it was given, in the layout the templates show.
// krestel-import writes its MESH records and mesh files with it, the benchmarks their scenes. No
// GL, no I/O.
#pragma once

#include "loader/description.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Numbers in the shortest text that reads back as the same float.
inline constexpr int32_t SHORTEST = -1;

// A value for a conversion of a template: a number (%f, %*f), a whole number (%d, %*d) or a word
// (%s).
struct LineValue {
    LineValue(float v) : kind('f'), number(v) {}
    LineValue(int32_t v) : kind('d'), whole(v) {}
    LineValue(std::string_view v) : kind('s'), word(v) {}
    LineValue(const char* v) : kind('s'), word(v) {}
    char kind;
    float number = 0.0f;
    int32_t whole = 0;
    std::string_view word;
};

// Appends the template with each conversion, the discarding ones included, replaced by the next
// value; everything else, whitespace included, as it stands. Numbers are written in the shortest
// form (minus zero as 0), or with `decimals` decimals.
void writeLine(std::string* out, const char* tmpl, std::initializer_list<LineValue> values,
               int32_t decimals = SHORTEST);

// The shortest text that reads back as the same float; minus zero is written 0.
std::string numberText(float value);
// The numbers in that form, separated by blanks.
std::string numbersText(std::initializer_list<float> values);

// The lines of a mesh after its MESH line, which a mesh file holds: the transform (none), the
// vertices, one block of triangles (three indices each).
void writeMeshLines(std::string* out, const std::vector<Vertex>& vertices,
                    const std::vector<uint32_t>& indices, int32_t vertexDecimals = SHORTEST);
// A MESH record holding the mesh.
void writeMeshRecord(std::string* out, std::string_view name, const std::vector<Vertex>& vertices,
                     const std::vector<uint32_t>& indices, int32_t vertexDecimals = SHORTEST);
// A MESH record naming its mesh file.
void writeMeshFileRecord(std::string* out, std::string_view name, std::string_view path);

// One record of each kind, as the scene file holds it. A HUD header holds the read-outs and the
// count of the backgrounds after it; an entity's keyframers are those of `d` it names.
void writeHudHeader(std::string* out, const HudDescription& hud, int32_t backgroundCount);
void writeBackground(std::string* out, const BackgroundDescription& b);
void writeButton(std::string* out, const ButtonDescription& b);
void writeForce(std::string* out, const Force& f);
void writeParticleSystem(std::string* out, const ParticleSystemDescription& s);
void writeMaterial(std::string* out, const MaterialDescription& m);
void writeMesh(std::string* out, const MeshDescription& m, int32_t vertexDecimals = SHORTEST);
void writeEntity(std::string* out, const SceneDescription& d, const EntityDescription& e);

// The whole scene file of a description: every section in file order, the entities in the order
// of the list (depth-first pre-order, each followed by its keyframers; CHILDCOUNT as recorded).
std::string sceneFileText(const SceneDescription& d, int32_t vertexDecimals = SHORTEST);
