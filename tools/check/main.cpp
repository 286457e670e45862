// krestel-check [FILE]: checks a scene file (default "scene.txt") without opening a window.
// Prints every error and warning with the file and line, then a summary. Image files are read
// from the scene file's folder, as the engine reads them from its working folder.
#include "tools/check/check_scene.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const USAGE =
    "usage: krestel-check [FILE]\n"
    "\n"
    "Reads a scene file (default: scene.txt) with the engine's own parser and prints every\n"
    "problem with the file, the line, what was expected and what was found: errors that stop\n"
    "the engine from loading the file, and warnings about what loads but is probably a\n"
    "mistake (names that name nothing, missing or unreadable image files, buttons that can\n"
    "never be pressed, ...). Image files (TGA, PNG, JPEG) are looked for beside the scene file.\n"
    "\n"
    "Exit status: 0 when the file loads, 1 when it does not, 2 when it cannot be read.\n";

bool readFile(const std::string& path, std::string* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[1 << 16];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes->append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void print(const std::string& file, const Finding& f) {
    const char* label = f.severity == Severity::Error     ? "ERROR"
                        : f.severity == Severity::Warning ? "WARNING"
                                                          : "note";
    if (f.line > 0) {
        std::printf("%s: '%s' line %d: %s\n", label, file.c_str(), f.line, f.message.c_str());
    } else {
        std::printf("%s: '%s': %s\n", label, file.c_str(), f.message.c_str());
    }
}

std::string count(int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

int main(int argc, char** argv) {
    std::string path = "scene.txt";
    if (argc > 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (argc == 2) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        path = argv[1];
    }
    std::string text;
    if (!readFile(path, &text)) {
        std::printf("ERROR: '%s' cannot be read: %s\n", path.c_str(), std::strerror(errno));
        return 2;
    }

    CheckReport report = checkScene(text);

    // Image files: the engine opens them by name from the scene's folder.
    for (SceneWarning& w : textureFileWarnings(report.textures, folderOf(path).c_str())) {
        report.findings.push_back({Severity::Warning, w.line, w.code, std::move(w.message)});
    }

    sortFindings(&report);

    int32_t errors = 0, warnings = 0;
    for (const Finding& f : report.findings) {
        print(path, f);
        errors += f.severity == Severity::Error;
        warnings += f.severity == Severity::Warning;
    }
    const SceneSummary& s = report.summary;
    std::printf(
        "'%s' %s: %s, %s; %s, %s, %s, %s, %s, %s, %s, %s, %s%s\n", path.c_str(),
        report.loads ? "loads" : "does not load", count(errors, "error", "errors").c_str(),
        count(warnings, "warning", "warnings").c_str(),
        count(s.entities, "entity", "entities").c_str(), count(s.meshes, "mesh", "meshes").c_str(),
        count(s.materials, "material", "materials").c_str(),
        count(s.textures, "texture", "textures").c_str(),
        count(s.particleSystems, "particle system", "particle systems").c_str(),
        count(s.keyframers, "keyframer", "keyframers").c_str(),
        count(s.buttons, "button", "buttons").c_str(),
        count(s.backgrounds, "background", "backgrounds").c_str(),
        count(s.forces, "force", "forces").c_str(), report.loads ? "" : " (of what could be read)");
    return report.loads ? 0 : 1;
}
