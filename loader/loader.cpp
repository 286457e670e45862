// The thin file layer around the parser: reads the whole file, parses it, reads the mesh files it
// names, runs the warning checks and, for a text that parsed, applies it and adds the registry's
// findings about texture files to the warnings; prints the load's console messages. Owns nothing
// after the call; the text and the parsed records are freed as soon as they are no longer
// needed, so the peak stays near the file plus the meshes, not the sum of every stage.
#include "loader/loader.h"

#include "loader/apply.h"
#include "loader/parse.h"
#include "loader/warnings.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

enum class FileRead { Read, CannotOpen, NotAFile, TooLarge };

// Reads the whole file with one read of its size (no growing and copying); a file that is
// longer than fstat said (a pipe, a file still being written) is read on in doubling steps.
// With a limit (> 0) only plain files are read (a pipe is refused before it is opened, which
// would wait for a writer), and none of more than `limit` bytes, however long it grows while
// being read. CannotOpen leaves errno as stat or fopen set it.
FileRead readWholeFile(const char* path, FileText* text, int64_t limit = 0) {
    struct stat info {};
    if (limit > 0 && stat(path, &info) == 0 && !S_ISREG(info.st_mode)) return FileRead::NotAFile;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return FileRead::CannotOpen;
    const bool known = fstat(fileno(file), &info) == 0;
    FileRead refused = FileRead::Read;
    if (limit > 0 && (!known || !S_ISREG(info.st_mode))) refused = FileRead::NotAFile;
    if (limit > 0 && known && info.st_size > limit) refused = FileRead::TooLarge;
    if (refused != FileRead::Read) {
        std::fclose(file);
        return refused;
    }
    const size_t most = limit > 0 ? static_cast<size_t>(limit) + 1 : SIZE_MAX;
    size_t capacity = 1 << 16;
    if (known && info.st_size > 0) {
        capacity = static_cast<size_t>(info.st_size) + 1; // +1 sees the end in the same read
    }
    text->bytes.reset(new char[capacity]);
    text->size = 0;
    for (;;) {
        text->size += std::fread(text->bytes.get() + text->size, 1, capacity - text->size, file);
        if (text->size < capacity || capacity >= most) break;
        capacity = std::min(2 * capacity, most);
        std::unique_ptr<char[]> larger(new char[capacity]);
        std::copy(text->bytes.get(), text->bytes.get() + text->size, larger.get());
        text->bytes = std::move(larger);
    }
    std::fclose(file);
    return text->size >= most ? FileRead::TooLarge : FileRead::Read;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Reads every mesh file the description names into its mesh; the first error as printed, and
// the notes that explain it.
std::string readMeshFiles(const char* path, const char* sceneFolder, SceneText* result) {
    for (MeshDescription& mesh : result->description.meshes) {
        if (mesh.file.text[0] != '\0') {
            result->meshFiles.push_back(
                pathInSceneFolder(sceneFolder ? sceneFolder : "", mesh.file.text));
        }
    }
    size_t next = 0;
    for (MeshDescription& mesh : result->description.meshes) {
        if (mesh.file.text[0] == '\0') continue;
        const std::string& meshPath = result->meshFiles[next++];
        std::vector<SceneNote> notes;
        const ParseError error = readMeshFile(meshPath, &mesh, &notes);
        if (error.kind == ParseErrorKind::None) continue;
        const bool inScene = error.kind == ParseErrorKind::FileUnreadable;
        const std::string file = inScene ? path : meshPath;
        for (const SceneNote& note : notes) result->notes.push_back(noteLine(file, note));
        return "ERROR: '" + file + "' line " + std::to_string(error.line) + ": " + error.message;
    }
    return {};
}

} // namespace

SceneText readSceneText(const char* path, const char* sceneFolder) {
    SceneText result{};
    FileText text{};
    if (readWholeFile(path, &text) != FileRead::Read) {
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
        for (const SceneNote& note : explainSceneError(view, error)) {
            result.notes.push_back(noteLine(path, note));
        }
    } else {
        result.error = readMeshFiles(path, sceneFolder, &result);
    }
    if (!result.error.empty()) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        for (const std::string& note : result.notes) std::fprintf(stderr, "%s\n", note.c_str());
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
    SceneText text = readSceneText(path, "");
    applySceneText(&text, path, scene, keyframers, forces, hud, resources);
}

ScenePath resolveScenePath(const std::string& argument) {
    ScenePath scene{argument, ""};
    if (isFolder(argument)) {
        scene.folder = argument;
        if (argument.back() != '/') scene.file += '/';
        scene.file += "scene.txt";
    } else if (const size_t slash = argument.rfind('/'); slash != std::string::npos) {
        scene.folder = argument.substr(0, slash + 1);
    }
    return scene;
}

std::string pathInSceneFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty() || name[0] == '/') return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

namespace {

// The mesh file's bytes, or why they cannot be read (at `line`, the MESHFILE line).
ParseError readMeshBytes(const std::string& path, int32_t line, FileText* text) {
    const FileRead read = readWholeFile(path.c_str(), text, MAX_MESH_FILE_BYTES);
    const int cause = errno;
    const std::string after = " after 'MESHFILE:' but '" + path + "' ";
    switch (read) {
    case FileRead::Read:
        return {ParseErrorKind::None, 0, {}};
    case FileRead::CannotOpen:
        return {ParseErrorKind::FileUnreadable, line,
                "expected a mesh file" + after + "cannot be opened (" + std::strerror(cause) + ")"};
    case FileRead::NotAFile:
        return {ParseErrorKind::FileUnreadable, line,
                "expected a mesh file" + after + "is not a plain file"};
    case FileRead::TooLarge:
        break;
    }
    return {ParseErrorKind::FileUnreadable, line,
            "expected a mesh file of at most " + std::to_string(MAX_MESH_FILE_BYTES >> 20) + " MB" +
                after + "is larger"};
}

} // namespace

ParseError readMeshFile(const std::string& path, MeshDescription* mesh,
                        std::vector<SceneNote>* notes) {
    FileText text{};
    const ParseError error = readMeshBytes(path, mesh->fileLine, &text);
    if (error.kind != ParseErrorKind::None) {
        *notes = missingFileNotes(mesh->file.text, path, mesh->fileLine);
        return error;
    }
    const std::string_view view(text.bytes.get(), text.size);
    const ParseError parsed = parseMeshFile(view, mesh);
    *notes = explainMeshFileError(view, parsed);
    return parsed;
}

ParseError readMeshFileText(const std::string& path, int32_t line, std::string* text) {
    FileText bytes{};
    const ParseError error = readMeshBytes(path, line, &bytes);
    if (error.kind == ParseErrorKind::None) text->assign(bytes.bytes.get(), bytes.size);
    return error;
}
