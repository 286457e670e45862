// Warnings about a scene text that parses but will not do what its author meant: names that name
// nothing, text after the end of the scene graph, unusable texture files, buttons that can never
// be pressed. Shared by the engine (printed on every load) and krestel-check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Each warning formatted as "WARNING: '<path>' line N: <message>", in line order. Texture files
// are looked up in sceneFolder (nullptr or "" means the current folder). Call only for a text that
// parses; a text that does not parse gives no warnings.
std::vector<std::string> sceneWarningLines(const char* path, std::string_view text,
                                           const char* sceneFolder);
