// Warnings about a scene text that parses but will not do what its author meant: names that name
// nothing, text after the end of the scene graph, unusable texture files, buttons that can never
// be pressed. Shared by the engine (printed on every load) and krestel-check. Only the texture
// file check reads files (from the scene's folder); everything else works on the parsed records.
#pragma once

#include "loader/parse.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SceneWarning {
    int32_t line;        // 0 when the warning is about the file as a whole
    std::string code;    // stable identifier, e.g. "LinkUnknown"
    std::string message; // without the "WARNING: 'file' line N: " prefix
};

// Records to leave out of the checks, by index: krestel-check's stand-ins for broken records.
struct WarningSkips {
    std::vector<int32_t> entities;
    std::vector<int32_t> buttons;
};

// A STATIC image file the scene names (other than "None"), at its first TEXTURE line.
struct TextureUse {
    std::string file;
    int32_t line;
};

// Names that name nothing, entity records after the end of the scene graph (pointing at the
// CHILDCOUNT that would take them in) and buttons that can never be pressed or do nothing. `text`
// is the text `d` was parsed from. Nothing is read from files.
std::vector<SceneWarning> descriptionWarnings(const SceneDescription& d, std::string_view text,
                                              const WarningSkips& skips = {});

// Every distinct STATIC texture file of the scene, in file order.
std::vector<TextureUse> textureUses(const SceneDescription& d);

// Texture files that are missing (with the closest name among the files beside them) or that the
// engine cannot read. Files are looked up in `folder` ("" or nullptr: the current folder).
std::vector<SceneWarning> textureFileWarnings(const std::vector<TextureUse>& uses,
                                              const char* folder);

// Empty when the bytes are an image file the engine reads; otherwise the decoder's reason, e.g.
// "cannot be read: PNG: CRC error in IDAT chunk".
std::string imageProblem(const uint8_t* bytes, size_t size);

// The candidate closest to `name` by edit distance, ignoring case, when it is close enough to be
// a slip of the keyboard (at most a third of the name's letters); empty otherwise. "None" is
// never suggested.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

// Each warning formatted as "WARNING: '<path>' line N: <message>", in line order. Texture files
// are looked up in sceneFolder (nullptr or "" means the current folder). Call only for a text that
// parses; a text that does not parse gives no warnings.
std::vector<std::string> sceneWarningLines(const char* path, std::string_view text,
                                           const char* sceneFolder);
// The same for a text already parsed into `d`, without parsing it again (what a load does).
std::vector<std::string> sceneWarningLines(const char* path, const SceneDescription& d,
                                           std::string_view text, const char* sceneFolder);
