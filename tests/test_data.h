// Test data shared by the C++ tests: the scene texts of tests/data/scenes and helpers to edit
// them, TGA files built byte by byte, vector comparisons, and temporary folders.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/math.h"

// tests/data/scenes/<name>.txt: "example" (every section), "full" (every kind of texture line
// and keyframe, each replaceable slot unique).
inline std::string sceneText(const std::string& name) {
    std::ifstream in(std::string(KRESTEL_TEST_DATA) + "/scenes/" + name + ".txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text with the first `from` replaced; empty when `from` is not there, so a stale edit fails.
inline std::string replaceFirst(std::string_view text, std::string_view from, std::string_view to) {
    const size_t at = text.find(from);
    if (at == std::string_view::npos) return {};
    return std::string(text.substr(0, at)).append(to).append(text.substr(at + from.size()));
}

// ENTITY records of groups named G, each the only child of the one before.
inline std::string nestedGroups(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "------\nENTITY: GROUP\nTYPE: STATIC\nNAME: G\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\n"
                "ACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: None\nMATERIAL: None\nMASS: 1\nKEYFRAMERCOUNT: 0\n"
                "CHILDCOUNT: " + std::string(i + 1 < depth ? "1\n" : "0\n");
    return text;
}

// 1-based line on which `marker` starts (0 when absent), and the number of lines.
inline int lineCount(std::string_view text) { return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n')); }
inline int lineOf(std::string_view text, std::string_view marker) {
    return text.find(marker) == std::string_view::npos ? 0 : lineCount(text.substr(0, text.find(marker)));
}

inline void expectFloat3(Float3 actual, Float3 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Pairs of (actual, expected) numbers, compared in turn as floats.
inline void expectNumbers(std::initializer_list<std::pair<float, float>> pairs) {
    int i = 0;
    for (const auto& [actual, expected] : pairs) EXPECT_FLOAT_EQ(actual, expected) << "number " << i++;
}

// A TGA file: the 18 header bytes (the defaults: uncompressed 24-bit true colour), 16-bit
// fields little-endian, then `body`.
struct TgaHeader {
    uint8_t idLength = 0, colourMapType = 0, imageType = 2;
    uint16_t width = 0, height = 0;
    uint8_t pixelDepth = 24, descriptor = 0;
};
inline std::vector<uint8_t> makeTga(const TgaHeader& h, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> bytes = {h.idLength, h.colourMapType, h.imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(h.width),
                                  uint8_t(h.width >> 8), uint8_t(h.height), uint8_t(h.height >> 8), h.pixelDepth, h.descriptor};
    bytes.resize(18 + body.size());
    std::copy(body.begin(), body.end(), bytes.begin() + 18);
    return bytes;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
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
