// krestel-import MODEL [NAME]: prints the model as a MESH record of the scene file on standard
// output; notes (merged meshes, textures) go to standard error as "# " comment lines.
#include "tools/import/import_model.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const USAGE =
    "usage: krestel-import [--scale S] [--centre] MODEL [NAME]\n"
    "\n"
    "Reads a model file (OBJ, glTF, PLY, STL, 3DS, Collada and the other formats assimp\n"
    "reads) and prints it as one MESH record of the scene file on standard output:\n"
    "triangulated, with normals (generated where the file has none) and texture coordinates.\n"
    "Several meshes in the file are merged into one.\n"
    "\n"
    "  NAME         the mesh name (at most 19 characters, no blanks); default: the model's\n"
    "               file name without its extension\n"
    "  --scale S    multiply every position by S (a number greater than 0)\n"
    "  --centre     move the centre of the model's bounds to the origin (before scaling)\n"
    "  --help       show this text\n"
    "\n"
    "Paste the record into the mesh section of scene.txt, after the last MESH record and\n"
    "before SCENEGRAPH:, and raise MESHCOUNT by one: the engine reads exactly MESHCOUNT\n"
    "meshes. The model's texture, if any, is named on standard error with the command that\n"
    "turns it into an uncompressed TGA.\n"
    "\n"
    "Exit status: 0 when the record was printed, 1 on any error.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "krestel-import: %s\n", message.c_str());
    return 1;
}

bool parseScale(const char* text, float* scale) {
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, *scale);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*scale) && *scale > 0.0f;
}

} // namespace

int main(int argc, char** argv) {
    ImportOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (arg == "--centre" || arg == "--center") {
            options.centre = true;
        } else if (arg == "--scale") {
            if (i + 1 >= argc) return fail("--scale needs a number");
            if (!parseScale(argv[++i], &options.scale)) {
                return fail(std::string("--scale needs a number greater than 0, not '") + argv[i] +
                            "'");
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::fputs(USAGE, stderr);
            return fail("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty() || positional.size() > 2) {
        std::fputs(USAGE, stderr);
        return fail(positional.empty() ? "no model file given" : "too many arguments");
    }

    const std::string& path = positional[0];
    const std::string name = positional.size() == 2 ? positional[1] : defaultMeshName(path);
    const std::string problem = meshNameProblem(name);
    if (!problem.empty()) {
        return fail(problem + (positional.size() == 2 ? "" : " (give a NAME after the model)"));
    }

    ImportedModel model;
    std::string error;
    if (!importModel(path, &model, &error)) return fail(error);
    transformModel(&model, options);

    const std::string record = formatMeshRecord(name, model);
    std::fwrite(record.data(), 1, record.size(), stdout);
    if (std::fflush(stdout) != 0) return fail("cannot write to standard output");

    const size_t triangles = model.indices.size() / 3;
    std::fprintf(stderr, "# %s: %zu vertices, %zu triangle%s", name.c_str(), model.vertices.size(),
                 triangles, triangles == 1 ? "" : "s");
    if (model.meshCount > 1) std::fprintf(stderr, ", merged from %d meshes", model.meshCount);
    std::fputs("; raise MESHCOUNT by one\n", stderr);
    if (model.skippedPrimitives > 0) {
        std::fprintf(stderr, "# left out %d points and lines (a mesh holds triangles only)\n",
                     model.skippedPrimitives);
    }
    std::fputs(textureAdvice(model, path).c_str(), stderr);
    return 0;
}
