// The thin file layer around the parser: reads the whole file, parses it, runs the warning checks
// and, for a text that parsed, applies it and adds the registry's findings about texture files to
// the warnings; prints the load's console messages. Owns nothing after the call; the text and the
// parsed records are freed as soon as they are no longer needed, so the peak stays near the file
// plus the meshes, not the sum of every stage.
#include "loader/loader.h"

#include "loader/apply.h"
#include "loader/parse.h"
#include "loader/warnings.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace {

// The file's bytes, not zero-filled first (filling 50 MB only to overwrite it costs time).
struct FileText {
    std::unique_ptr<char[]> bytes;
    size_t size;
};

// Reads the whole file with one read of its size (no growing and copying); a file that is
// longer than fstat said (a pipe, a file still being written) is read on in doubling steps.
// False when it cannot be opened.
bool readWholeFile(const char* path, FileText* text) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    struct stat info {};
    size_t capacity = 1 << 16;
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0) {
        capacity = static_cast<size_t>(info.st_size) + 1; // +1 sees the end in the same read
    }
    text->bytes.reset(new char[capacity]);
    text->size = 0;
    for (;;) {
        text->size += std::fread(text->bytes.get() + text->size, 1, capacity - text->size, file);
        if (text->size < capacity) break;
        std::unique_ptr<char[]> larger(new char[2 * capacity]);
        std::copy(text->bytes.get(), text->bytes.get() + text->size, larger.get());
        text->bytes = std::move(larger);
        capacity *= 2;
    }
    std::fclose(file);
    return true;
}

} // namespace

SceneText readSceneText(const char* path) {
    SceneText result{};
    FileText text{};
    if (!readWholeFile(path, &text)) {
        result.error = std::string("ERROR: '") + path + "' failed to open.";
        std::printf("%s\n", result.error.c_str());
        std::fflush(stdout);
        return result;
    }
    std::string_view view(text.bytes.get(), text.size);
    ParseError error = parseScene(view, &result.description);
    if (error.kind != ParseErrorKind::None) {
        result.error = std::string("ERROR: '") + path + "' line " + std::to_string(error.line) +
                       ": " + error.message;
        std::fprintf(stderr, "%s\n", result.error.c_str());
        std::fflush(stderr);
        result.description = SceneDescription();
        return result;
    }
    result.checks = descriptionWarnings(result.description, view);
    result.textures = textureUses(result.description);
    text.bytes.reset(); // the description holds everything the apply step needs
    result.ok = 1;
    return result;
}

void applySceneText(SceneText* text, const char* path, Scene* scene, KeyframerList* keyframers,
                    ForceList* forces, Hud* hud, Resources* resources) {
    if (!text->ok) return;
    applySceneDescription(std::move(text->description), scene, keyframers, forces, hud, resources);
    const TextureRegistry& registry = resources->textures;
    std::vector<SceneWarning> warnings = std::move(text->checks);
    if (registry.unread) {
        for (SceneWarning& w :
             textureFileWarnings(text->textures, *registry.unread, registry.folder)) {
            warnings.push_back(std::move(w));
        }
    }
    text->warnings = warningLines(path, std::move(warnings));
    for (const std::string& line : text->warnings) std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    std::printf("File Load (\"%s\"): Success\n", path);
    std::fflush(stdout);
}

void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources) {
    SceneText text = readSceneText(path);
    applySceneText(&text, path, scene, keyframers, forces, hud, resources);
}
