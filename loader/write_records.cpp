// Writing scene-file lines from values with the templates the parser reads them with.
#include "loader/write_records.h"

#include "anim/keyframe.h"
#include "loader/vocabulary.h"
#include "texture/registry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void valuesMisfit(const char* tmpl) {
    std::fprintf(stderr, "loader: the values do not fit the template \"%s\"\n", tmpl);
    std::abort();
}

void appendNumber(std::string* out, float value, int32_t decimals) {
    char text[64];
    if (decimals >= 0) {
        const int n = std::snprintf(text, sizeof text, "%.*f", decimals, double(value));
        out->append(text, size_t(n > 0 && n < int(sizeof text) ? n : 0));
        return;
    }
    out->append(numberText(value));
}

void writeTextureType(std::string* out, const TextureRef& t) {
    writeLine(out, TEXTURETYPE_LINE, {variantName(TEXTURE_TYPES, t.kind)});
}

// TEXTURETYPE, the LINK line after DYNAMIC, TEXTURE.
void writeLinkedTexture(std::string* out, const TextureRef& t) {
    writeTextureType(out, t);
    writeLine(out, LINE_END, {});
    if (t.kind == TextureType::DYNAMIC) writeLine(out, TEXTURE_LINK_LINE, {t.link.text});
    writeLine(out, TEXTURE_LINE, {t.file.text});
}

// TEXTURETYPE with the camera in parentheses after DYNAMIC, TEXTURE.
void writeParenthesisedTexture(std::string* out, const TextureRef& t) {
    writeTextureType(out, t);
    if (t.kind == TextureType::DYNAMIC) writeLine(out, CAMERA_IN_PARENTHESES, {t.link.text});
    writeLine(out, LINE_END, {});
    writeLine(out, TEXTURE_LINE, {t.file.text});
}

void writeColour(std::string* out, const char* tmpl, Colour c) {
    writeLine(out, tmpl, {c.r, c.g, c.b, c.a});
}

// The lines a material and a material key share after their first.
void writeMaterialBody(std::string* out, const Material& m) {
    writeColour(out, MATERIAL_LINES[1], m.emission);
    writeColour(out, MATERIAL_LINES[2], m.ambient);
    writeColour(out, MATERIAL_LINES[3], m.diffuse);
    writeColour(out, MATERIAL_LINES[4], m.specular);
    writeLine(out, MATERIAL_LINES[5], {m.shininess});
}

// The lines a background and a button share.
template <typename Panel> void writePanel(std::string* out, const Panel& b, const TextureRef& t) {
    writeColour(out, COLOUR_LINE, b.colour);
    writeLinkedTexture(out, t);
    writeLine(out, MIN_LINE, {b.min.x, b.min.y, b.texMin.u, b.texMin.v});
    writeLine(out, MAX_LINE, {b.max.x, b.max.y, b.texMax.u, b.texMax.v});
}

void writeKeyframer(std::string* out, const SceneDescription& d, const KeyframerDescription& k) {
    writeLine(out, KEYFRAMETYPE_LINE, {variantName(KEYFRAME_TYPES, k.keyframeType)});
    writeLine(out, KEYFRAMECOUNT_LINE, {k.keyCount});
    for (int32_t i = 0; i < k.keyCount; ++i) {
        const KeyDescription& key = d.keys[size_t(k.firstKey + i)];
        const float* v = key.values;
        if (k.keyframeType == KeyframeType::POSITION) {
            writeLine(out, POSITION_KEY_LINE, {key.time, v[0], v[1], v[2]});
        } else if (k.keyframeType == KeyframeType::ROTATION) {
            writeLine(out, ROTATION_KEY_LINE, {key.time, v[0], v[1], v[2], v[3]});
        } else {
            writeLine(out, MATERIAL_KEY_LINE, {key.time});
            writeMaterialBody(out, key.material);
            writeParenthesisedTexture(out, key.texture);
        }
    }
}

} // namespace

void writeLine(std::string* out, const char* tmpl, std::initializer_list<LineValue> values,
               int32_t decimals) {
    const LineValue* value = values.begin();
    for (const char* t = tmpl; *t; ++t) {
        if (*t != '%') {
            out->push_back(*t);
            continue;
        }
        if (t[1] == '*') ++t;
        const char conversion = *++t;
        if (value == values.end() || value->kind != conversion) valuesMisfit(tmpl);
        if (conversion == 'f') {
            appendNumber(out, value->number, decimals);
        } else if (conversion == 'd') {
            out->append(std::to_string(value->whole));
        } else {
            out->append(value->word);
        }
        ++value;
    }
    if (value != values.end()) valuesMisfit(tmpl);
}

std::string numberText(float value) {
    // Fixed and exponent forms with ever more digits (nine significant digits always read back
    // exactly); the shorter wins, the fixed one on a tie. snprintf rather than to_chars: the
    // browser build's C++ library has no float to_chars.
    const double number = static_cast<double>(value + 0.0f);
    std::string best;
    char text[64];
    const auto consider = [&](bool readsBack) {
        if (readsBack && (best.empty() || std::strlen(text) < best.size())) best = text;
    };
    for (int digits = 0; digits <= 9; ++digits) {
        if (std::fabs(number) < 1e15) {
            std::snprintf(text, sizeof text, "%.*f", digits, number);
            consider(std::strtof(text, nullptr) == value);
        }
        std::snprintf(text, sizeof text, "%.*g", digits == 0 ? 1 : digits, number);
        consider(std::strtof(text, nullptr) == value || digits == 9);
    }
    return best;
}

std::string numbersText(std::initializer_list<float> values) {
    std::string text;
    for (float v : values) {
        if (!text.empty()) text += ' ';
        appendNumber(&text, v, SHORTEST);
    }
    return text;
}

void writeMeshLines(std::string* out, const std::vector<Vertex>& vertices,
                    const std::vector<uint32_t>& indices, int32_t vertexDecimals) {
    out->reserve(out->size() + 128 + vertices.size() * 80 + indices.size() * 8);
    writeLine(out, MESH_TRANSFORM_LINE,
              {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f});
    writeLine(out, VERTEXCOUNT_LINE, {int32_t(vertices.size())});
    for (const Vertex& v : vertices) {
        writeLine(out, VERTEX_LINE,
                  {v.position.x, v.position.y, v.position.z, v.normal.x, v.normal.y, v.normal.z,
                   v.texCoord.u, v.texCoord.v},
                  vertexDecimals);
    }
    writeLine(out, SURFACECOUNT_LINE, {1});
    writeLine(out, TRIANGLECOUNT_LINE, {int32_t(indices.size() / 3)});
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        writeLine(out, TRIANGLE_LINE,
                  {int32_t(indices[i]), int32_t(indices[i + 1]), int32_t(indices[i + 2])});
    }
}

void writeMeshRecord(std::string* out, std::string_view name, const std::vector<Vertex>& vertices,
                     const std::vector<uint32_t>& indices, int32_t vertexDecimals) {
    writeLine(out, MESH_LINE, {name});
    writeMeshLines(out, vertices, indices, vertexDecimals);
}

void writeMeshFileRecord(std::string* out, std::string_view name, std::string_view path) {
    writeLine(out, MESH_LINE, {name});
    writeLine(out, MESHFILE_LINE, {path});
}

void writeHudHeader(std::string* out, const HudDescription& hud, int32_t backgroundCount) {
    writeLine(out, HUD_LINE, {});
    writeLine(out, APPTIME_LINE, {hud.appTime.x, hud.appTime.y});
    writeLine(out, SIMTIME_LINE, {hud.simTime.x, hud.simTime.y});
    writeColour(out, TIMECOLOUR_LINE, hud.timeColour);
    writeLine(out, BACKGROUNDCOUNT_LINE, {backgroundCount});
}

void writeBackground(std::string* out, const BackgroundDescription& b) {
    writePanel(out, b.background, b.texture);
}

void writeButton(std::string* out, const ButtonDescription& d) {
    const Button& b = d.button;
    const float* v = b.actionValues;
    writeLine(out, ACTIONNAME_LINE, {b.actionName});
    writeLine(out, ACTIONVALUES_LINE, {v[0], v[1], v[2], v[3], v[4]});
    writeLine(out, ACTIONLINK_LINE, {b.actionLink});
    writePanel(out, b, d.texture);
}

void writeForce(std::string* out, const Force& f) {
    writeLine(out, FORCETYPE_LINE, {variantName(FORCE_TYPES, f.forceType)});
    writeLine(out, STRENGTH_LINE, {f.strength.x, f.strength.y, f.strength.z});
}

void writeParticleSystem(std::string* out, const ParticleSystemDescription& s) {
    const char* const* line = PARTICLE_LINES;
    writeLine(out, line[0], {variantName(PARTICLE_TYPES, s.particleType)});
    writeLine(out, line[1], {variantName(DISPLAY_TYPES, s.displayType)});
    writeLine(out, line[2], {variantName(BLEND_TYPES, s.blendType)});
    writeLine(out, line[3], {s.name.text});
    writeLine(out, line[4], {s.birthRate});
    writeLine(out, line[5], {s.lifetime});
    writeLine(out, line[6], {s.size});
    writeLine(out, line[7], {s.off ? INITIAL_OFF : INITIAL_ON});
    writeParenthesisedTexture(out, s.texture);
    writeColour(out, line[8], s.minColour);
    writeColour(out, line[9], s.maxColour);
    writeLine(out, line[10], {s.minMass, s.maxMass});
    writeLine(out, line[11], {s.minSpeed, s.maxSpeed});
}

void writeMaterial(std::string* out, const MaterialDescription& m) {
    writeLine(out, MATERIAL_LINES[0], {m.material.name});
    writeMaterialBody(out, m.material);
    writeLinkedTexture(out, m.texture);
}

void writeMesh(std::string* out, const MeshDescription& m, int32_t vertexDecimals) {
    if (m.file.text[0] != '\0') {
        writeMeshFileRecord(out, m.name.text, m.file.text);
    } else {
        writeMeshRecord(out, m.name.text, m.vertices, m.indices, vertexDecimals);
    }
}

void writeEntity(std::string* out, const SceneDescription& d, const EntityDescription& e) {
    const Float3 p = e.position, a = e.rotationAxis, s = e.scale;
    writeLine(out, SEPARATOR_LINE, {});
    writeLine(out, ENTITY_LINE, {entityKindName(e.entityType)});
    writeLine(out, TYPE_LINE, {variantName(MOTION_TYPES, e.type)});
    writeLine(out, NAME_LINE, {e.name.text});
    writeLine(out, TRANSFORM_LINE, {p.x, p.y, p.z, e.rotationAngle, a.x, a.y, a.z, s.x, s.y, s.z});
    writeLine(out, MOTION_LINE,
              {e.acceleration.x, e.acceleration.y, e.acceleration.z, e.velocity.x, e.velocity.y,
               e.velocity.z});
    writeLine(out, LINK_LINE, {e.link.text});
    writeLine(out, MATERIAL_LINE, {e.material.text});
    writeLine(out, MASS_LINE, {e.mass});
    writeLine(out, KEYFRAMERCOUNT_LINE, {e.keyframerCount});
    for (int32_t k = 0; k < e.keyframerCount; ++k) {
        writeKeyframer(out, d, d.keyframers[size_t(e.firstKeyframer + k)]);
    }
    writeLine(out, CHILDCOUNT_LINE, {e.childCount});
}

std::string sceneFileText(const SceneDescription& d, int32_t vertexDecimals) {
    std::string out;
    writeLine(&out, SCENECAMERA_LINE, {d.sceneCamera.text});
    writeHudHeader(&out, d.hud, int32_t(d.hud.backgrounds.size()));
    for (const BackgroundDescription& b : d.hud.backgrounds) writeBackground(&out, b);
    writeLine(&out, BUTTONCOUNT_LINE, {int32_t(d.hud.buttons.size())});
    for (const ButtonDescription& b : d.hud.buttons) writeButton(&out, b);
    writeLine(&out, FORCECOUNT_LINE, {int32_t(d.forces.size())});
    for (const Force& f : d.forces) writeForce(&out, f);
    writeLine(&out, PARTICLECOUNT_LINE, {int32_t(d.particleSystems.size())});
    for (const ParticleSystemDescription& s : d.particleSystems) writeParticleSystem(&out, s);
    writeLine(&out, MATERIALCOUNT_LINE, {int32_t(d.materials.size())});
    for (const MaterialDescription& m : d.materials) writeMaterial(&out, m);
    writeLine(&out, MESHCOUNT_LINE, {int32_t(d.meshes.size())});
    for (const MeshDescription& m : d.meshes) writeMesh(&out, m, vertexDecimals);
    writeLine(&out, SCENEGRAPH_LINE, {});
    for (const EntityDescription& e : d.entities) writeEntity(&out, d, e);
    return out;
}
