// What every parse of a scene text must leave true, whatever the text: shared by the fuzz target
// and the replay test, so a corpus file that breaks an invariant fails both. No GL, no I/O.
#pragma once

#include "loader/notes.h"
#include "loader/parse.h"

#include <cmath>
#include <cstring>
#include <string>

// The parser reads vertex and index lines through fast paths; the template interpreter alone
// (parseSceneByTemplate) is the reference. Both must give the same error, and on success the
// same meshes, bit for bit. Returns an empty string when they agree, else how they differ.
inline std::string checkFastPathsAgree(std::string_view text) {
    SceneDescription fast;
    SceneDescription reference;
    const ParseError a = parseScene(text, &fast);
    const ParseError b = parseSceneByTemplate(text, &reference);
    if (a.kind != b.kind || a.line != b.line || a.message != b.message) {
        return "fast paths report '" + a.message + "' on line " + std::to_string(a.line) +
               ", the interpreter '" + b.message + "' on line " + std::to_string(b.line);
    }
    if (a.kind != ParseErrorKind::None) return "";
    if (fast.meshes.size() != reference.meshes.size()) return "fast paths read another mesh count";
    for (size_t i = 0; i < fast.meshes.size(); ++i) {
        const MeshDescription& f = fast.meshes[i];
        const MeshDescription& r = reference.meshes[i];
        if (f.vertices.size() != r.vertices.size() || f.indices != r.indices ||
            (!f.vertices.empty() && std::memcmp(f.vertices.data(), r.vertices.data(),
                                                f.vertices.size() * sizeof(Vertex)) != 0)) {
            return "fast paths read mesh " + std::to_string(i) + " differently";
        }
    }
    if (fast.entities.size() != reference.entities.size()) return "fast paths changed the graph";
    return "";
}

// The same for the text read as a mesh file: the same error, or the same mesh bit for bit, and
// the mesh's indices within its vertices.
inline std::string checkMeshFileAgrees(std::string_view text) {
    MeshDescription fast{}, reference{};
    const ParseError a = parseMeshFile(text, &fast);
    const ParseError b = parseMeshFile(text, &reference, false);
    if (a.kind != b.kind || a.line != b.line || a.message != b.message) {
        return "mesh file: fast paths report '" + a.message + "', the interpreter '" + b.message +
               "'";
    }
    if (a.kind != ParseErrorKind::None) return "";
    if (fast.indices != reference.indices || fast.vertices.size() != reference.vertices.size() ||
        (!fast.vertices.empty() && std::memcmp(fast.vertices.data(), reference.vertices.data(),
                                               fast.vertices.size() * sizeof(Vertex)) != 0)) {
        return "mesh file: fast paths read the mesh differently";
    }
    for (uint32_t i : fast.indices) {
        if (i >= fast.vertices.size()) return "mesh file: an index beyond the vertex count";
    }
    return "";
}

// Printable text: no control bytes, and bytes from 0x80 only in whole UTF-8 characters.
inline bool printableText(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c == 127) return false;
        if (c < 0x80) continue;
        const size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length - 1;
    }
    return true;
}

// Returns an empty string when the description and error are consistent, else what broke.
inline std::string checkParsedScene(const SceneDescription& d, const ParseError& error,
                                    std::string_view text) {
    auto wordOk = [](const Word& w) { return std::memchr(w.text, 0, sizeof(w.text)) != nullptr; };
    if (error.kind != ParseErrorKind::None) {
        if (error.message.empty()) return "an error without a message";
        // The message goes to a terminal: printable text only, whatever bytes the file held.
        if (error.message.size() > 300) return "an error message of a wall of text";
        if (!printableText(error.message)) return "an error message with unprintable bytes";
        if (error.line < 1) return "an error on line " + std::to_string(error.line);
        // A line cannot lie beyond the number of line ends in the text, plus one.
        size_t lines = 1;
        for (char c : text) lines += c == '\n';
        if (static_cast<size_t>(error.line) > lines) return "an error line past the text";
        // The notes under the error go to the same terminal and panel.
        for (const SceneNote& note : explainSceneError(text, error)) {
            if (note.message.empty() || note.message.size() > 400 || !printableText(note.message)) {
                return "a note that is not a line of printable text";
            }
            if (note.line < 0 || static_cast<size_t>(note.line) > lines) return "a note past the text";
        }
        return "";
    }
    if (!wordOk(d.sceneCamera)) return "scene camera word without a terminator";
    if (d.entities.empty()) return "a parsed scene without its top entity";
    for (const MeshDescription& m : d.meshes) {
        if (!wordOk(m.name)) return "mesh name without a terminator";
        if (m.indices.size() % 3 != 0) return "index count not a multiple of three";
        for (uint32_t i : m.indices) {
            if (i >= m.vertices.size()) return "triangle index beyond the vertex count";
        }
        for (const Vertex& v : m.vertices) {
            if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) ||
                !std::isfinite(v.position.z)) {
                return "a vertex position that is not finite";
            }
        }
    }
    size_t keyTotal = 0;
    for (size_t i = 0; i < d.entities.size(); ++i) {
        const EntityDescription& e = d.entities[i];
        if (!wordOk(e.name) || !wordOk(e.link) || !wordOk(e.material)) {
            return "entity word without a terminator";
        }
        if (i == 0 ? e.parent != -1 : (e.parent < 0 || static_cast<size_t>(e.parent) >= i)) {
            return "entity parent not an earlier record";
        }
        if (e.entityType < 0 || e.entityType > 4 || e.type < 0 || e.type > 2) {
            return "entity kind or motion code out of range";
        }
        if (e.keyframerCount < 0 || e.firstKeyframer < 0 ||
            static_cast<size_t>(e.firstKeyframer) + static_cast<size_t>(e.keyframerCount) >
                d.keyframers.size()) {
            return "entity keyframer range outside the keyframer list";
        }
        if (!std::isfinite(e.position.x) || !std::isfinite(e.mass) ||
            !std::isfinite(e.velocity.y)) {
            return "an entity number that is not finite";
        }
    }
    for (const KeyframerDescription& k : d.keyframers) {
        if (k.keyframeType < 0 || k.keyframeType > 2) return "keyframe type out of range";
        if (k.keyCount < 0 || k.firstKey < 0 ||
            static_cast<size_t>(k.firstKey) + static_cast<size_t>(k.keyCount) > d.keys.size()) {
            return "keyframer key range outside the key list";
        }
        keyTotal += static_cast<size_t>(k.keyCount);
    }
    if (keyTotal != d.keys.size()) return "keys not owned by exactly one keyframer";
    for (const ParticleSystemDescription& s : d.particleSystems) {
        if (s.displayType < 0 || s.displayType > 2 || s.blendType < 0 || s.blendType > 1) {
            return "particle display or blend code out of range";
        }
        if (s.texture.kind != 0 && s.texture.kind != 1) return "texture kind out of range";
    }
    for (const MaterialDescription& m : d.materials) {
        if (m.texture.kind != 0 && m.texture.kind != 1) return "texture kind out of range";
        if (std::memchr(m.material.name, 0, sizeof(m.material.name)) == nullptr) {
            return "material name without a terminator";
        }
    }
    return "";
}
