// parseBothWays: parseScene (fast paths) held to the template interpreter; fingerprint: a parse as text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

#include "fuzz/scene_check.h"

inline ParseError parseBothWays(std::string_view text, SceneDescription* d) {
    EXPECT_EQ(checkFastPathsAgree(text), "");
    *d = SceneDescription{};
    return parseScene(text, d);
}

// Counts, names and every float of meshes, forces, materials and entities (%.9g keeps them distinct).
inline std::string fingerprint(const SceneDescription& d) {
    std::string s;
    auto floats = [&s](const void* p, size_t bytes) {
        char b[24];
        for (size_t i = 0; i < bytes / 4; ++i)
            s.append(b, size_t(std::snprintf(b, sizeof b, "%.9g ", double(static_cast<const float*>(p)[i]))));
    };
    for (size_t n : {d.hud.buttons.size(), d.particleSystems.size(), d.keys.size(), d.keyframers.size()})
        s += std::to_string(n) + " ";
    for (const auto& m : d.meshes) floats(m.vertices.data(), m.vertices.size() * sizeof(Vertex));
    for (const Force& f : d.forces) floats(&f.strength, sizeof f.strength);
    for (const auto& m : d.materials) floats(&m.material.ambient, offsetof(Material, texture) - offsetof(Material, ambient));
    for (const auto& e : d.entities) s += e.name.text, floats(&e.position, sizeof e.position);
    return s;
}
