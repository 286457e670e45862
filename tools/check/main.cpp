// krestel-check [SCENE]: checks a scene file (default "scene.txt"; a folder means the scene.txt
// in it) without opening a window. Prints every error and warning with the file and line, then a
// summary. Image and mesh files are read from the scene file's folder, as the engine reads them.
#include "loader/loader.h"
#include "loader/notes.h"
#include "loader/vocabulary.h"
#include "tools/check/check_scene.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const USAGE =
    "usage: krestel-check [SCENE]\n"
    "\n"
    "Reads a scene file (default: scene.txt; a folder means the scene.txt in it) and the mesh\n"
    "files it names with the engine's own parser and prints every problem with the file, the\n"
    "line, what was expected and what was found: errors that stop the engine from loading the\n"
    "file, and warnings about what loads but is probably a mistake (names that name nothing,\n"
    "missing or unreadable image files, buttons that can never be pressed, ...). Image files\n"
    "(TGA, PNG, JPEG) and mesh files are looked for beside the scene file.\n"
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

// The findings of each mesh file the scene names (once per file), with the file they are in:
// the scene's MESHFILE line when the file cannot be read, else the mesh file's own lines.
std::vector<std::pair<std::string, Finding>>
checkMeshFiles(const CheckReport& report, const std::string& scenePath, const std::string& folder) {
    std::vector<std::pair<std::string, Finding>> out;
    std::set<std::string> checked;
    for (const MeshFileUse& use : report.meshFiles) {
        const std::string path = pathInSceneFolder(folder, use.file);
        if (!checked.insert(path).second) continue;
        std::string text;
        const ParseError error = readMeshFileText(path, use.line, &text);
        if (error.kind != ParseErrorKind::None) {
            out.push_back(
                {scenePath,
                 {Severity::Error, error.line, parseErrorKindName(error.kind), error.message}});
            for (SceneNote& n : missingFileNotes(use.file, path, use.line)) {
                out.push_back({scenePath, {Severity::Note, n.line, n.code, std::move(n.message)}});
            }
            continue;
        }
        for (Finding& f : checkMeshFile(text)) out.push_back({path, std::move(f)});
    }
    return out;
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
    const ScenePath scene = resolveScenePath(path);
    path = scene.file;
    std::string text;
    if (!readFile(path, &text)) {
        std::printf("ERROR: '%s' cannot be read: %s\n", path.c_str(), std::strerror(errno));
        return 2;
    }

    CheckReport report = checkScene(text);

    // Image files: the engine opens them by name from the scene's folder.
    for (SceneWarning& w : textureFileWarnings(report.textures, scene.folder.c_str())) {
        report.findings.push_back({Severity::Warning, w.line, w.code, std::move(w.message)});
    }

    sortFindings(&report);

    // Mesh file findings follow the scene's errors and notes, before its warnings.
    std::vector<std::pair<std::string, Finding>> findings;
    for (Finding& f : report.findings) findings.push_back({path, std::move(f)});
    const auto firstWarning = std::find_if(findings.begin(), findings.end(), [](const auto& f) {
        return f.second.severity == Severity::Warning;
    });
    const auto meshFindings = checkMeshFiles(report, path, scene.folder);
    findings.insert(firstWarning, meshFindings.begin(), meshFindings.end());

    int32_t errors = 0, warnings = 0;
    for (const auto& [file, f] : findings) {
        print(file, f);
        errors += f.severity == Severity::Error;
        warnings += f.severity == Severity::Warning;
    }
    const bool loads = report.loads && errors == 0;
    const SceneSummary& s = report.summary;
    std::printf("'%s' %s: %s, %s; %s, %s, %s, %s, %s, %s, %s, %s, %s%s\n", path.c_str(),
                loads ? "loads" : "does not load", plural(errors, "error", "errors").c_str(),
                plural(warnings, "warning", "warnings").c_str(),
                plural(s.entities, "entity", "entities").c_str(),
                plural(s.meshes, "mesh", "meshes").c_str(),
                plural(s.materials, "material", "materials").c_str(),
                plural(s.textures, "texture", "textures").c_str(),
                plural(s.particleSystems, "particle system", "particle systems").c_str(),
                plural(s.keyframers, "keyframer", "keyframers").c_str(),
                plural(s.buttons, "button", "buttons").c_str(),
                plural(s.backgrounds, "background", "backgrounds").c_str(),
                plural(s.forces, "force", "forces").c_str(),
                loads ? "" : " (of what could be read)");
    return loads ? 0 : 1;
}
