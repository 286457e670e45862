// parseBothWays holds parseScene (with its fast paths) to the template interpreter alone, and
// fingerprint gives the values a parse read as text, so two parses can be compared whole.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "fuzz/scene_check.h"

inline ParseError parseBothWays(std::string_view text, SceneDescription* d) {
    EXPECT_EQ(checkFastPathsAgree(text), "");
    *d = SceneDescription{};
    return parseScene(text, d);
}

// Counts, every float of the meshes, forces, materials and entities (%.9g: distinct floats print
// differently) and the entity names.
inline std::string fingerprint(const SceneDescription& d) {
    std::string s;
    auto floats = [&s](const void* p, size_t bytes) {
        for (size_t i = 0; i < bytes / 4; ++i) {
            char b[24];
            std::snprintf(b, sizeof b, "%.9g ", double(static_cast<const float*>(p)[i]));
            s += b;
        }
    };
    for (size_t n : {d.hud.buttons.size(), d.particleSystems.size(), d.keys.size(), d.keyframers.size()})
        s += std::to_string(n) + " ";
    for (const auto& m : d.meshes) floats(m.vertices.data(), m.vertices.size() * sizeof(Vertex));
    for (const Force& f : d.forces) floats(&f.strength, sizeof f.strength);
    for (const auto& m : d.materials) floats(&m.material.ambient, offsetof(Material, texture) - offsetof(Material, ambient));
    for (const auto& e : d.entities) s += e.name.text, floats(&e.position, sizeof e.position);
    return s;
}
