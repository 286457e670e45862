// Warnings about a scene text that parses but will not do what its author meant: names that name
// nothing, text after the end of the scene graph, unusable texture files, buttons that can never
// be pressed, what the file says and the engine does not use. Shared by the engine (printed on
// every load) and krestel-check. The texture file check takes what the registry's reader found;
// everything else works on the parsed records.
#pragma once

#include "loader/parse.h"
#include "texture/registry.h"

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
// CHILDCOUNT that would take them in), buttons that can never be pressed or do nothing, and an
// entity's SCALE or the scene camera's ROTATION, which the engine does not use. `text` is the
// text `d` was parsed from. Nothing is read from files.
std::vector<SceneWarning> descriptionWarnings(const SceneDescription& d, std::string_view text,
                                              const WarningSkips& skips = {});

// Every distinct STATIC texture file of the scene, in file order.
std::vector<TextureUse> textureUses(const SceneDescription& d);

// Texture files that gave no image, given what reading them found (`unread`, as the registry
// keeps it): missing (with the closest name among the files in `folder`, "" or nullptr for the
// current folder) or unreadable (with the reader's reason), at each file's first TEXTURE line.
std::vector<SceneWarning> textureFileWarnings(const std::vector<TextureUse>& uses,
                                              const std::vector<UnreadTexture>& unread,
                                              const char* folder);
// The same, reading each file here with the registry's reader, as named in `folder` (what
// krestel-check does: it has no registry).
std::vector<SceneWarning> textureFileWarnings(const std::vector<TextureUse>& uses,
                                              const char* folder);

// Each warning formatted as "WARNING: '<path>' line N: <message>", in line order.
std::vector<std::string> warningLines(const char* path, std::vector<SceneWarning> warnings);
// Every warning of a scene text, formatted, with the texture files read here from sceneFolder
// (nullptr or "" means the current folder). A text that does not parse gives no warnings.
std::vector<std::string> sceneWarningLines(const char* path, std::string_view text,
                                           const char* sceneFolder);
