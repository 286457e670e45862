// loadScene: the thin file layer around the parser. Reads the whole file, parses it, and only
// when it is well formed applies it; prints the load's console messages. Owns nothing after
// the call.
#include "loader/loader.h"

#include "loader/apply.h"
#include "loader/parse.h"

#include <cstdio>
#include <string>

namespace {

// Reads the whole file in large blocks; false when it cannot be opened.
bool readWholeFile(const char* path, std::string* text) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    constexpr size_t BLOCK = 1 << 20;
    size_t size = 0;
    for (;;) {
        text->resize(size + BLOCK);
        size_t got = std::fread(text->data() + size, 1, BLOCK, file);
        size += got;
        if (got < BLOCK) break;
    }
    text->resize(size);
    std::fclose(file);
    return true;
}

} // namespace

void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources) {
    std::string text;
    if (!readWholeFile(path, &text)) {
        std::printf("ERROR: '%s' failed to open.\n", path);
        std::fflush(stdout);
        return;
    }
    SceneDescription description;
    ParseError error = parseScene(text, &description);
    if (error.kind != ParseErrorKind::None) {
        std::fprintf(stderr, "ERROR: '%s' line %d: %s\n", path, error.line, error.message.c_str());
        std::fflush(stderr);
        return;
    }
    applySceneDescription(description, scene, keyframers, forces, hud, resources);
    std::printf("File Load (\"%s\"): Success\n", path);
    std::fflush(stdout);
}
