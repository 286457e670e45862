// Every field of a parsed scene description as text, so two parses can be compared whole, and
// parseBothWays, which holds parseScene (with its fast paths) to the template interpreter alone.
#pragma once

#include "loader/parse.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace describe_scene {

// Floats with nine significant digits: distinct floats (and the two zeros) print differently.
inline void put(std::string* out, float v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g ", static_cast<double>(v));
    *out += buffer;
}
inline void put(std::string* out, int32_t v) {
    *out += std::to_string(v) + " ";
}
inline void put(std::string* out, const char* text) {
    *out += std::string(text) + "|";
}
inline void put(std::string* out, const Word& w) {
    put(out, w.text);
}
inline void put(std::string* out, Colour c) {
    put(out, c.r), put(out, c.g), put(out, c.b), put(out, c.a);
}
inline void put(std::string* out, Float3 v) {
    put(out, v.x), put(out, v.y), put(out, v.z);
}
inline void put(std::string* out, const TextureRef& t) {
    put(out, t.kind), put(out, t.file), put(out, t.link);
}
inline void put(std::string* out, const Material& m) {
    put(out, m.name), put(out, m.ambient), put(out, m.diffuse), put(out, m.emission);
    put(out, m.shininess), put(out, m.specular), put(out, m.texture), put(out, m.textureId);
}

inline std::string describe(const SceneDescription& d) {
    std::string s;
    put(&s, d.sceneCamera);
    put(&s, d.hud.appTime.x), put(&s, d.hud.appTime.y), put(&s, d.hud.simTime.x);
    put(&s, d.hud.simTime.y), put(&s, d.hud.timeColour);
    for (const auto& b : d.hud.backgrounds) {
        const Background& g = b.background;
        put(&s, g.colour), put(&s, b.texture), put(&s, g.min.x), put(&s, g.min.y);
        put(&s, g.texMin.u), put(&s, g.texMin.v), put(&s, g.max.x), put(&s, g.max.y);
        put(&s, g.texMax.u), put(&s, g.texMax.v);
    }
    for (const auto& b : d.hud.buttons) {
        const Button& g = b.button;
        put(&s, g.actionName), put(&s, g.actionLink);
        for (float v : g.actionValues) put(&s, v);
        put(&s, g.colour), put(&s, b.texture), put(&s, g.min.x), put(&s, g.min.y);
        put(&s, g.texMin.u), put(&s, g.texMin.v), put(&s, g.max.x), put(&s, g.max.y);
        put(&s, g.texMax.u), put(&s, g.texMax.v);
    }
    for (const Force& f : d.forces) put(&s, f.forceType), put(&s, f.strength);
    for (const auto& p : d.particleSystems) {
        put(&s, p.name), put(&s, p.particleType), put(&s, p.displayType), put(&s, p.blendType);
        put(&s, p.birthRate), put(&s, p.lifetime), put(&s, p.size), put(&s, p.off);
        put(&s, p.texture), put(&s, p.minColour), put(&s, p.maxColour), put(&s, p.minMass);
        put(&s, p.maxMass), put(&s, p.minSpeed), put(&s, p.maxSpeed);
    }
    for (const auto& m : d.materials) put(&s, m.material), put(&s, m.texture);
    for (const auto& m : d.meshes) {
        put(&s, m.name);
        for (const Vertex& v : m.vertices) {
            put(&s, v.position), put(&s, v.normal), put(&s, v.texCoord.u), put(&s, v.texCoord.v);
        }
        for (uint32_t i : m.indices) put(&s, static_cast<int32_t>(i));
        put(&s, m.bounds.axis0), put(&s, m.bounds.axis1), put(&s, m.bounds.axis2);
        put(&s, m.bounds.centre);
    }
    for (const auto& e : d.entities) {
        put(&s, e.parent), put(&s, e.name), put(&s, e.entityType), put(&s, e.type);
        put(&s, e.position), put(&s, e.rotationAngle), put(&s, e.rotationAxis);
        put(&s, e.acceleration), put(&s, e.velocity), put(&s, e.link), put(&s, e.material);
        put(&s, e.mass), put(&s, e.firstKeyframer), put(&s, e.keyframerCount);
        put(&s, e.childCount);
    }
    for (const auto& k : d.keyframers)
        put(&s, k.keyframeType), put(&s, k.firstKey), put(&s, k.keyCount);
    for (const auto& k : d.keys) {
        put(&s, k.time);
        for (float v : k.values) put(&s, v);
        put(&s, k.material), put(&s, k.texture);
    }
    return s;
}

} // namespace describe_scene

using describe_scene::describe;

// parseScene, checked against parseSceneByTemplate on the same text: the same description (even
// after a failure: what was read before the error) and the same error kind, line and message.
// Both start from value-initialised descriptions, so fields a failed parse never reached compare
// equal.
inline ParseError parseBothWays(std::string_view text, SceneDescription* d) {
    *d = SceneDescription{};
    ParseError fast = parseScene(text, d);
    SceneDescription reference{};
    ParseError slow = parseSceneByTemplate(text, &reference);
    EXPECT_EQ(parseErrorKindName(fast.kind), parseErrorKindName(slow.kind)) << slow.message;
    EXPECT_EQ(fast.line, slow.line) << slow.message;
    EXPECT_EQ(fast.message, slow.message);
    EXPECT_EQ(describe(*d), describe(reference)) << slow.message;
    return fast;
}
