// Test data shared by the C++ tests: the scene texts of tests/data/scenes (read at run time
// from the folder the build passes in KRESTEL_TEST_DATA) and small helpers to edit them.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// The whole file, or an empty text when it cannot be read (the tests then fail on it).
inline std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// tests/data/scenes/<name>.txt: "example" (every section, as the format guide shows it),
// "full" (every kind of texture line and keyframe, each replaceable slot unique) and "counts"
// (every count on a line of its own).
inline const std::string& sceneText(const char* name) {
    static std::string example, full, counts;
    std::string& text = name == std::string_view("example") ? example
                        : name == std::string_view("full")  ? full
                                                            : counts;
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
