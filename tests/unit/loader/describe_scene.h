// Every value a parse reads, as text, so two parses can be compared whole; and parseBothWays,
// which holds parseScene (with its fast paths) to the template interpreter alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "loader/parse.h"

namespace describe_scene {

// Floats with nine significant digits: distinct floats (and the two zeros) print differently.
inline void one(std::string* s, float v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g ", static_cast<double>(v));
    *s += buffer;
}
inline void one(std::string* s, int32_t v) { *s += std::to_string(v) + " "; }
inline void one(std::string* s, const char* text) { *s += std::string(text) + "|"; }
inline void one(std::string* s, const Word& w) { one(s, w.text); }
void one(std::string* s, Float2 v);
void one(std::string* s, TexCoord v);
void one(std::string* s, Colour c);
void one(std::string* s, Float3 v);
void one(std::string* s, const TextureRef& t);
void one(std::string* s, const Material& m);
template <class... T> void put(std::string* s, const T&... v) { (one(s, v), ...); }
inline void one(std::string* s, Float2 v) { put(s, v.x, v.y); }
inline void one(std::string* s, TexCoord v) { put(s, v.u, v.v); }
inline void one(std::string* s, Colour c) { put(s, c.r, c.g, c.b, c.a); }
inline void one(std::string* s, Float3 v) { put(s, v.x, v.y, v.z); }
inline void one(std::string* s, const TextureRef& t) { put(s, t.kind, t.file, t.link); }
inline void one(std::string* s, const Material& m) {
    put(s, m.name, m.ambient, m.diffuse, m.emission, m.shininess, m.specular, m.texture, m.textureId);
}
template <class P> void panel(std::string* s, const P& g) {
    put(s, g.colour, g.min, g.texMin, g.max, g.texMax);
}

inline std::string describe(const SceneDescription& d) {
    std::string s;
    put(&s, d.sceneCamera, d.hud.appTime, d.hud.simTime, d.hud.timeColour);
    for (const auto& b : d.hud.backgrounds) panel(&s, b.background), put(&s, b.texture);
    for (const auto& b : d.hud.buttons) {
        put(&s, b.button.actionName, b.button.actionLink, b.texture);
        for (float v : b.button.actionValues) put(&s, v);
        panel(&s, b.button);
    }
    for (const Force& f : d.forces) put(&s, f.forceType, f.strength);
    for (const auto& p : d.particleSystems)
        put(&s, p.name, p.particleType, p.displayType, p.blendType, p.birthRate, p.lifetime, p.size,
            p.off, p.texture, p.minColour, p.maxColour, p.minMass, p.maxMass, p.minSpeed, p.maxSpeed);
    for (const auto& m : d.materials) put(&s, m.material, m.texture);
    for (const auto& m : d.meshes) {
        put(&s, m.name, m.bounds.axis0, m.bounds.axis1, m.bounds.axis2, m.bounds.centre);
        for (const Vertex& v : m.vertices) put(&s, v.position, v.normal, v.texCoord);
        for (uint32_t i : m.indices) put(&s, static_cast<int32_t>(i));
    }
    for (const auto& e : d.entities)
        put(&s, e.parent, e.name, e.entityType, e.type, e.position, e.rotationAngle, e.rotationAxis,
            e.acceleration, e.velocity, e.link, e.material, e.mass, e.firstKeyframer,
            e.keyframerCount, e.childCount);
    for (const auto& k : d.keyframers) put(&s, k.keyframeType, k.firstKey, k.keyCount);
    for (const auto& k : d.keys) put(&s, k.time, k.values[0], k.values[1], k.values[2], k.values[3], k.material, k.texture);
    return s;
}

} // namespace describe_scene

using describe_scene::describe;

// parseScene checked against parseSceneByTemplate on the same text: the same description (even
// after a failure: what was read before the error) and the same error kind, line and message.
inline ParseError parseBothWays(std::string_view text, SceneDescription* d) {
    *d = SceneDescription{};
    const ParseError fast = parseScene(text, d);
    SceneDescription reference{};
    const ParseError slow = parseSceneByTemplate(text, &reference);
    EXPECT_EQ(parseErrorKindName(fast.kind), parseErrorKindName(slow.kind)) << slow.message;
    EXPECT_EQ(fast.line, slow.line) << slow.message;
    EXPECT_EQ(fast.message, slow.message);
    EXPECT_EQ(describe(*d), describe(reference)) << slow.message;
    return fast;
}
