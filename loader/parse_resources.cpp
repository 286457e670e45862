// Reads the force, particle-system, material and mesh sections, and the texture lines they
// share. No GL, no I/O: textures stay references (kind, file word, link word) until applied.
#include "loader/sections.h"

#include "sim/particles.h"
#include "texture/registry.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr size_t MIN_FORCE_BYTES =
    minTemplateBytes(FORCETYPE_LINE) + minTemplateBytes(STRENGTH_LINE);
constexpr size_t MIN_PARTICLE_BYTES = minLinesBytes(PARTICLE_LINES) + MIN_TEXTURE_BYTES;
constexpr size_t MIN_MATERIAL_BYTES = minLinesBytes(MATERIAL_LINES) + MIN_TEXTURE_BYTES;
// A MESH record that names its file is the shortest.
constexpr size_t MIN_MESH_BYTES = minTemplateBytes(MESH_LINE) + minTemplateBytes(MESHFILE_LINE);
constexpr size_t MIN_VERTEX_BYTES = minTemplateBytes(VERTEX_LINE);
constexpr size_t MIN_TRIANGLE_BYTES = minTemplateBytes(TRIANGLE_LINE);

size_t reserveCount(int32_t count) {
    return count > 0 ? static_cast<size_t>(count) : 0;
}

bool parseTextureType(Parser* p, TextureRef* texture, Word* typeWord) {
    return scan(p, TEXTURETYPE_LINE, {typeWord}) &&
           matchVariant(p, *typeWord, TEXTURETYPE_LINE, TEXTURE_TYPES, &texture->kind);
}

bool parseIndex(Parser* p, int32_t vertexCount, uint32_t* index) {
    int32_t v = 0;
    if (!scan(p, INDEX, {&v})) return false;
    if (vertexCount <= 0) {
        return fail(p, ParseErrorKind::IndexOutOfRange, p->tokenLine,
                    "expected no triangles: the mesh has no vertices, but found index " +
                        std::to_string(v));
    }
    if (v < 0 || v >= vertexCount) {
        return fail(p, ParseErrorKind::IndexOutOfRange, p->tokenLine,
                    "expected a vertex index from 0 to " + std::to_string(vertexCount - 1) +
                        " but found " + std::to_string(v));
    }
    *index = static_cast<uint32_t>(v);
    return true;
}

// The cursor, past blanks, is at the keyword.
bool atKeyword(const Parser* p, std::string_view keyword) {
    return static_cast<size_t>(p->cursor.end - p->cursor.pos) >= keyword.size() &&
           std::memcmp(p->cursor.pos, keyword.data(), keyword.size()) == 0;
}

// The lines after "MESH: name" in the inline form: the transform, the vertices and the triangles.
bool parseMeshBody(Parser* p, MeshDescription* mesh) {
    int32_t vertexCount = 0;
    if (!scan(p, MESH_TRANSFORM_LINE) || !scan(p, VERTEXCOUNT_LINE, {&vertexCount}) ||
        !checkCount(p, vertexCount, MIN_VERTEX_BYTES, VERTEXCOUNT_LINE)) {
        return false;
    }
    mesh->vertices.resize(reserveCount(vertexCount));
    // Vertex and index lines are nearly all of a large file: the fast paths read their common
    // spelling and leave anything else, errors included, to the template interpreter.
    for (Vertex& v : mesh->vertices) {
        if (p->fastPaths && scanVertexFast(p, &v)) continue;
        if (!scan(p, VERTEX_LINE,
                  {&v.position.x, &v.position.y, &v.position.z, &v.normal.x, &v.normal.y,
                   &v.normal.z, &v.texCoord.u, &v.texCoord.v})) {
            return false;
        }
    }
    int32_t triangleCount = 0;
    if (!scan(p, SURFACECOUNT_LINE) || !scan(p, TRIANGLECOUNT_LINE, {&triangleCount}) ||
        !checkCount(p, triangleCount, MIN_TRIANGLE_BYTES, TRIANGLECOUNT_LINE)) {
        return false;
    }
    // The index count is three times the triangle count and must stay a 32-bit int.
    if (triangleCount > std::numeric_limits<int32_t>::max() / 3) {
        return fail(p, ParseErrorKind::CountTooLarge, p->tokenLine,
                    "expected at most " + std::to_string(std::numeric_limits<int32_t>::max() / 3) +
                        " after 'TRIANGLECOUNT:' but found " + std::to_string(triangleCount));
    }
    mesh->indices.resize(3 * reserveCount(triangleCount));
    for (uint32_t& index : mesh->indices) {
        if (p->fastPaths && scanIndexFast(p, vertexCount, &index)) continue;
        if (!parseIndex(p, vertexCount, &index)) return false;
    }
    if (!scan(p, LINE_END)) return false;
    mesh->bounds = boundsOfVertices(mesh->vertices.data(), vertexCount);
    return true;
}

// A MESH record: its name, then the name of its mesh file or the mesh itself. The MESH line's
// closing newline has taken the blanks, so the cursor is at the next keyword.
bool parseMesh(Parser* p, MeshDescription* mesh) {
    if (!scan(p, MESH_LINE, {&mesh->name})) return false;
    if (!atKeyword(p, keywordOf(MESHFILE_LINE))) return parseMeshBody(p, mesh);
    if (!scan(p, MESHFILE_LINE, {&mesh->file})) return false;
    mesh->fileLine = p->tokenLine;
    return true;
}

} // namespace

bool parseLinkedTexture(Parser* p, TextureRef* texture) {
    Word type{};
    if (!parseTextureType(p, texture, &type) || !scan(p, LINE_END)) return false;
    if (texture->kind == TextureType::DYNAMIC) {
        if (!scan(p, TEXTURE_LINK_LINE, {&texture->link})) return false;
        texture->linkLine = p->tokenLine;
    } else {
        texture->link = type;
    }
    return scan(p, TEXTURE_LINE, {&texture->file}) && (texture->fileLine = p->tokenLine, true);
}

bool parseParenthesisedTexture(Parser* p, TextureRef* texture) {
    Word type{};
    if (!parseTextureType(p, texture, &type)) return false;
    if (texture->kind == TextureType::DYNAMIC) {
        if (!scanParenthesisedWord(p, &texture->link)) return false;
        texture->linkLine = p->tokenLine;
    } else {
        texture->link = type;
    }
    return scan(p, LINE_END) && scan(p, TEXTURE_LINE, {&texture->file}) &&
           (texture->fileLine = p->tokenLine, true);
}

bool parseForceSection(Parser* p, std::vector<Force>* forces) {
    int32_t count = 0;
    if (!scan(p, FORCECOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_FORCE_BYTES, FORCECOUNT_LINE)) {
        return false;
    }
    forces->reserve(reserveCount(count));
    for (int32_t i = 0; i < count; ++i) {
        Force force{};
        Word type{};
        if (!scan(p, FORCETYPE_LINE, {&type}) ||
            !matchVariant(p, type, FORCETYPE_LINE, FORCE_TYPES, &force.forceType) ||
            !scan(p, STRENGTH_LINE, {&force.strength.x, &force.strength.y, &force.strength.z})) {
            return false;
        }
        forces->push_back(force);
    }
    return true;
}

bool parseParticleSection(Parser* p, std::vector<ParticleSystemDescription>* systems) {
    int32_t count = 0;
    if (!scan(p, PARTICLECOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_PARTICLE_BYTES, PARTICLECOUNT_LINE)) {
        return false;
    }
    systems->reserve(reserveCount(count));
    const char* const* line = PARTICLE_LINES;
    for (int32_t i = 0; i < count; ++i) {
        ParticleSystemDescription s{};
        Word particle{}, display{}, blend{}, initial{};
        if (!scan(p, line[0], {&particle}) ||
            !matchVariant(p, particle, line[0], PARTICLE_TYPES, &s.particleType) ||
            !scan(p, line[1], {&display}) ||
            !matchVariant(p, display, line[1], DISPLAY_TYPES, &s.displayType) ||
            !scan(p, line[2], {&blend}) ||
            !matchVariant(p, blend, line[2], BLEND_TYPES, &s.blendType) ||
            !scan(p, line[3], {&s.name}) || !scan(p, line[4], {&s.birthRate}) ||
            !scan(p, line[5], {&s.lifetime}) || !scan(p, line[6], {&s.size}) ||
            !scan(p, line[7], {&initial}) || !parseParenthesisedTexture(p, &s.texture) ||
            !scan(p, line[8], {&s.minColour.r, &s.minColour.g, &s.minColour.b, &s.minColour.a}) ||
            !scan(p, line[9], {&s.maxColour.r, &s.maxColour.g, &s.maxColour.b, &s.maxColour.a}) ||
            !scan(p, line[10], {&s.minMass, &s.maxMass}) ||
            !scan(p, line[11], {&s.minSpeed, &s.maxSpeed})) {
            return false;
        }
        s.off = wordEquals(initial, INITIAL_OFF) ? 1 : 0;
        systems->push_back(s);
    }
    return true;
}

bool parseMaterialSection(Parser* p, std::vector<MaterialDescription>* materials) {
    int32_t count = 0;
    if (!scan(p, MATERIALCOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_MATERIAL_BYTES, MATERIALCOUNT_LINE)) {
        return false;
    }
    materials->reserve(reserveCount(count));
    const char* const* line = MATERIAL_LINES;
    for (int32_t i = 0; i < count; ++i) {
        MaterialDescription d{};
        Material& m = d.material;
        Word name{};
        if (!scan(p, line[0], {&name}) ||
            !scan(p, line[1], {&m.emission.r, &m.emission.g, &m.emission.b, &m.emission.a}) ||
            !scan(p, line[2], {&m.ambient.r, &m.ambient.g, &m.ambient.b, &m.ambient.a}) ||
            !scan(p, line[3], {&m.diffuse.r, &m.diffuse.g, &m.diffuse.b, &m.diffuse.a}) ||
            !scan(p, line[4], {&m.specular.r, &m.specular.g, &m.specular.b, &m.specular.a}) ||
            !scan(p, line[5], {&m.shininess}) || !parseLinkedTexture(p, &d.texture)) {
            return false;
        }
        std::memcpy(m.name, name.text, NAME_SIZE);
        std::memcpy(m.texture, d.texture.file.text, PATH_SIZE);
        materials->push_back(d);
    }
    return true;
}

bool parseMeshSection(Parser* p, std::vector<MeshDescription>* meshes) {
    int32_t count = 0;
    if (!scan(p, MESHCOUNT_LINE, {&count}) ||
        !checkCount(p, count, MIN_MESH_BYTES, MESHCOUNT_LINE)) {
        return false;
    }
    // Not reserved by the count: a MESHFILE record is a few bytes, the description hundreds.
    for (int32_t i = 0; i < count; ++i) {
        meshes->emplace_back();
        if (!parseMesh(p, &meshes->back())) return false;
    }
    return true;
}

ParseError parseMeshFile(std::string_view text, MeshDescription* mesh, bool fastPaths) {
    Parser p = makeParser(text, fastPaths);
    scan(&p, " "); // blanks and comments, up to the first keyword
    if (atKeyword(&p, keywordOf(MESHFILE_LINE))) {
        fail(&p, ParseErrorKind::ExpectedLiteral, p.cursor.line,
             "expected 'POSITION:' (a mesh file holds the mesh, not the name of another mesh "
             "file) but found 'MESHFILE:'");
    } else if (parseMeshBody(&p, mesh)) {
        scanEnd(&p, "the end of the mesh file after the last triangle");
    }
    return p.error; // kind None unless a reader failed
}
