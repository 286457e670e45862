// loadScene: the thin file layer around the parser. Reads the whole file, parses it, and only
// when it is well formed applies it; prints the load's console messages. Owns nothing after
// the call; the text and the parsed records are freed as soon as they are no longer needed,
// so the peak stays near the file plus the meshes, not the sum of every stage.
#include "loader/loader.h"

#include "loader/apply.h"
#include "loader/parse.h"

#include <algorithm>
#include <cstdio>
#include <memory>
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

void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources) {
    FileText text{};
    if (!readWholeFile(path, &text)) {
        std::printf("ERROR: '%s' failed to open.\n", path);
        std::fflush(stdout);
        return;
    }
    SceneDescription description;
    ParseError error = parseScene(std::string_view(text.bytes.get(), text.size), &description);
    text.bytes.reset(); // the description holds everything the apply step needs
    if (error.kind != ParseErrorKind::None) {
        std::fprintf(stderr, "ERROR: '%s' line %d: %s\n", path, error.line, error.message.c_str());
        std::fflush(stderr);
        return;
    }
    applySceneDescription(std::move(description), scene, keyframers, forces, hud, resources);
    std::printf("File Load (\"%s\"): Success\n", path);
    std::fflush(stdout);
}
