// Test data shared by the C++ tests: the scene texts of tests/data/scenes (read at run time
// from the folder the build passes in KRESTEL_TEST_DATA), small helpers to edit them, TGA files
// built byte by byte, comparisons of vectors and quaternions, and temporary folders.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/math.h"

// The whole file, or an empty text when it cannot be read (the tests then fail on it).
inline std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// tests/data/scenes/<name>.txt: "example" (every section, as the format guide shows it),
// "extended" (the example with a second Red material, a second Smoke system and a MATERIAL
// keyframer), "full" (every kind of texture line and keyframe, each replaceable slot unique) and
// "counts" (every count on a line of its own).
inline const std::string& sceneText(const std::string& name) {
    static std::map<std::string, std::string> texts;
    std::string& text = texts[name];
    if (text.empty())
        text = readTextFile(std::string(KRESTEL_TEST_DATA) + "/scenes/" + name + ".txt");
    return text;
}

// The text with the first occurrence of `from` replaced; empty when `from` is not there, so a
// stale edit fails loudly.
inline std::string replaceFirst(std::string_view text, std::string_view from, std::string_view to) {
    const size_t at = text.find(from);
    if (at == std::string_view::npos) return {};
    std::string out(text.substr(0, at));
    out += to;
    out += text.substr(at + from.size());
    return out;
}

// ENTITY records of groups named G, each the only child of the one before; the last has no
// children.
inline std::string nestedGroups(int depth) {
    std::string text;
    text.reserve(static_cast<size_t>(depth) * 200);
    for (int i = 0; i < depth; ++i) {
        text += "------\nENTITY: GROUP\nTYPE: STATIC\nNAME: G\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 "
                "SCALE: 1 1 1\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: None\nMATERIAL: "
                "None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: ";
        text += i + 1 < depth ? "1\n" : "0\n";
    }
    return text;
}

inline void expectFloat3(Float3 actual, Float3 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Pairs of (actual, expected) numbers, compared in turn as floats.
inline void expectNumbers(std::initializer_list<std::pair<float, float>> pairs) {
    int i = 0;
    for (const auto& [actual, expected] : pairs)
        EXPECT_FLOAT_EQ(actual, expected) << "number " << i++;
}

inline void expectQuaternion(Quaternion actual, Quaternion expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

// 1-based line on which `marker` starts, counted independently of the parser; 0 when absent.
inline int lineOf(std::string_view text, std::string_view marker) {
    const size_t at = text.find(marker);
    if (at == std::string_view::npos) return 0;
    int line = 1;
    for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
    return line;
}

inline int lineCount(std::string_view text) {
    int line = 1;
    for (char c : text) line += c == '\n';
    return line;
}

// The header fields of a TGA file; the defaults make an uncompressed 24-bit true-colour image.
struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 24;
    uint8_t descriptor = 0;
};

// The header's 18 bytes (16-bit fields little-endian) followed by `body`.
inline std::vector<uint8_t> makeTga(const TgaHeader& h, const std::vector<uint8_t>& body) {
    const uint8_t header[18] = {h.idLength,
                                h.colourMapType,
                                h.imageType,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                uint8_t(h.width & 0xff),
                                uint8_t(h.width >> 8),
                                uint8_t(h.height & 0xff),
                                uint8_t(h.height >> 8),
                                h.pixelDepth,
                                h.descriptor};
    std::vector<uint8_t> bytes(header, header + 18);
    for (uint8_t b : body) bytes.push_back(b);
    return bytes;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

inline bool writeText(const std::string& path, std::string_view text) {
    return writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A fresh folder under /tmp, removed with everything in it at the end of its scope; `enter`
// makes it the working folder meanwhile, so short relative file names resolve there.
struct TempFolder {
    std::filesystem::path path, previous;
    explicit TempFolder(bool enter = false) {
        char pattern[] = "/tmp/krestel-test-XXXXXX";
        path = mkdtemp(pattern);
        if (enter) previous = std::filesystem::current_path(), std::filesystem::current_path(path);
    }
    ~TempFolder() {
        if (!previous.empty()) std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};
