// krestel-import MODEL [NAME]: prints the model as a MESH record of the scene file on standard
// output, or writes the mesh to a mesh file (--mesh-file) and prints the two lines that name it;
// either way headed by a comment naming the model and the options. Notes (merged meshes,
// textures) go to standard error as "# " comment lines.
#include "loader/write_records.h"
#include "tools/import/import_model.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const USAGE =
    "usage: krestel-import [--up AXIS] [--rotate DEG X Y Z] [--centre | --floor]\n"
    "                      [--scale S | --fit S] [--mesh-file PATH] MODEL [NAME]\n"
    "\n"
    "Reads a model file (OBJ, glTF, PLY, STL, 3DS, Collada and the other formats assimp\n"
    "reads) and prints it as one MESH record of the scene file on standard output:\n"
    "triangulated, with normals (generated where the file has none) and texture coordinates.\n"
    "Several meshes in the file are merged into one. A comment line naming the model and the\n"
    "options heads it.\n"
    "\n"
    "  NAME         the mesh name (at most 19 characters, no blanks); default: the model's\n"
    "               file name without its extension\n"
    "  --up AXIS    the axis that points up in the model as read: z, -z, x, -x, y or -y; the\n"
    "               model is turned so that it points up the scene's +y. --up z is the usual\n"
    "               turn of a Z-up model (-90 degrees about x). The reader already turns 3DS\n"
    "               files, a Z-up format, to Y-up: a 3DS model lying down was drawn Y-up, and\n"
    "               --up -z stands it up\n"
    "  --rotate DEG X Y Z\n"
    "               turn positions and normals DEG degrees about the axis X Y Z (after --up)\n"
    "  --centre     move the centre of the model's bounds to the origin (after the turns)\n"
    "  --floor      centre the model in x and z and put its lowest point at y = 0, to stand\n"
    "               on the ground (after the turns)\n"
    "  --scale S    multiply every position by S (a number greater than 0; after centring)\n"
    "  --fit S      scale the model so that its largest side is S long (instead of --scale)\n"
    "  --mesh-file PATH\n"
    "               write the mesh to the mesh file PATH instead (overwriting it) and print\n"
    "               only the MESH and MESHFILE lines that name it; the scene reads PATH from\n"
    "               its own folder, so give it as seen from there (or absolute)\n"
    "  --help       show this text\n"
    "\n"
    "The model's bounds, size and centre, as read and as written, go to standard error, with\n"
    "the up axis the file declares where its format has one.\n"
    "\n"
    "Paste the record (with --mesh-file, the two lines) into the mesh section of scene.txt,\n"
    "after the last MESH record and before SCENEGRAPH:, and raise MESHCOUNT by one: the\n"
    "engine reads exactly MESHCOUNT meshes. The model's texture, if any, is named on standard\n"
    "error with the TEXTURE line that names it (or the command that converts it).\n"
    "\n"
    "Exit status: 0 when the record was printed, 1 on any error.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "krestel-import: %s\n", message.c_str());
    return 1;
}

bool parseNumber(const char* text, float* value) {
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

bool parseScale(const char* text, float* scale) {
    return parseNumber(text, scale) && *scale > 0.0f;
}

// "# Imported from 'MODEL' by krestel-import OPTIONS": the first line of what is written.
// Control characters are shown as '?', so the comment stays one line.
std::string headComment(const std::string& model, const std::vector<std::string>& options) {
    std::string line = "# Imported from '" + model + "' by krestel-import";
    for (const std::string& option : options) line += " " + option;
    if (options.empty()) line += " with no options";
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    }
    return line + "\n";
}

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    ImportOptions options;
    int32_t scaleOptions = 0;
    std::vector<std::string> positional;
    std::vector<std::string> used; // the options as given, for the head comment
    std::string meshFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const int first = i;
        if (arg == "--mesh-file") {
            if (i + 1 >= argc) return fail("--mesh-file needs a file name");
            meshFile = argv[++i];
            const std::string problem = fileNameProblem(meshFile);
            if (!problem.empty()) return fail(problem);
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (arg == "--centre" || arg == "--center") {
            options.centre = true;
        } else if (arg == "--floor") {
            options.floor = true;
        } else if (arg == "--scale" || arg == "--fit") {
            if (i + 1 >= argc) return fail(arg + " needs a number");
            float* target = arg == "--scale" ? &options.scale : &options.fit;
            if (!parseScale(argv[++i], target)) {
                return fail(arg + " needs a number greater than 0, not '" + argv[i] + "'");
            }
            scaleOptions += 1;
        } else if (arg == "--up") {
            std::string axis = i + 1 < argc ? argv[++i] : "";
            const bool negative = !axis.empty() && axis[0] == '-';
            if (!axis.empty() && (axis[0] == '-' || axis[0] == '+')) axis.erase(0, 1);
            const float sign = negative ? -1.0f : 1.0f;
            if (axis == "x" || axis == "X") {
                options.up = {sign, 0.0f, 0.0f};
            } else if (axis == "y" || axis == "Y") {
                options.up = {0.0f, sign, 0.0f};
            } else if (axis == "z" || axis == "Z") {
                options.up = {0.0f, 0.0f, sign};
            } else {
                return fail("--up needs an axis: z, -z, x, -x, y or -y, not '" + axis + "'");
            }
        } else if (arg == "--rotate") {
            Float3& a = options.rotateAxis;
            if (i + 4 >= argc || !parseNumber(argv[i + 1], &options.rotateDegrees) ||
                !parseNumber(argv[i + 2], &a.x) || !parseNumber(argv[i + 3], &a.y) ||
                !parseNumber(argv[i + 4], &a.z) || (a.x == 0.0f && a.y == 0.0f && a.z == 0.0f)) {
                return fail("--rotate needs four numbers: degrees, then an axis x y z that is not "
                            "0 0 0 (e.g. --rotate 90 0 1 0)");
            }
            i += 4;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::fputs(USAGE, stderr);
            return fail("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
            continue;
        }
        for (int k = first; k <= i; ++k) used.push_back(argv[k]);
    }
    if (scaleOptions > 1) return fail("give one of --scale and --fit, once");
    if (options.centre && options.floor) return fail("give one of --centre and --floor");
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
    const ModelBounds read = modelBounds(model);
    transformModel(&model, options);

    const std::string head = headComment(path, used);
    std::string out;
    if (meshFile.empty()) {
        out = head + formatMeshRecord(name, model);
    } else {
        if (!writeFile(meshFile, head + formatMeshLines(model))) {
            return fail("cannot write the mesh file '" + meshFile + "': " + std::strerror(errno));
        }
        writeMeshFileRecord(&out, name, meshFile);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0) return fail("cannot write to standard output");

    const size_t triangles = model.indices.size() / 3;
    std::fprintf(stderr, "# %s: %zu vertices, %zu triangle%s", name.c_str(), model.vertices.size(),
                 triangles, triangles == 1 ? "" : "s");
    if (model.meshCount > 1) std::fprintf(stderr, ", merged from %d meshes", model.meshCount);
    std::fputs("; raise MESHCOUNT by one\n", stderr);
    std::fprintf(stderr, "# as read: %s\n", describeBounds(read).c_str());
    const ImportOptions unchanged;
    if (options.up.y != 1.0f || options.rotateDegrees != 0.0f || options.centre || options.floor ||
        options.scale != unchanged.scale || options.fit > 0.0f) {
        std::fprintf(stderr, "# as written: %s\n", describeBounds(modelBounds(model)).c_str());
    }
    if (!model.upAxis.empty()) {
        std::fprintf(stderr, "# the file declares %s as up; the scene's up is +Y%s\n",
                     model.upAxis.c_str(),
                     model.upAxis == "+Z" && options.up.z == 0.0f ? ": add --up z" : "");
    } else {
        std::fputs("# the file declares no up axis; the scene's up is +Y (a model lying down: "
                   "--up z, or --up -z if that stands it on its head)\n",
                   stderr);
    }
    if (model.skippedPrimitives > 0) {
        std::fprintf(stderr, "# left out %d points and lines (a mesh holds triangles only)\n",
                     model.skippedPrimitives);
    }
    std::fputs(textureAdvice(model, path).c_str(), stderr);
    return 0;
}
