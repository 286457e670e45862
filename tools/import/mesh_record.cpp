// The parts of krestel-import that need no assimp: turning, centring and scaling the merged model,
// checking the mesh name, and writing the MESH record and the texture advice as text.
#include "tools/import/import_model.h"

#include "loader/write_records.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

// A 3 by 3 rotation, row-major, in double so that turns by whole quarter turns come out exact.
struct Turn {
    double m[9];
};

Turn identityTurn() {
    return {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
}

// Right-handed turn about the axis (normalised here). Entries within 1e-12 of 0 or 1 are
// snapped, so a quarter turn moves 1 0 0 to exactly 0 1 0 and not to 6e-17 1 0.
Turn turnAbout(double degrees, Float3 axis) {
    const double length = std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y +
                                    double(axis.z) * axis.z);
    if (!(length > 0.0)) return identityTurn();
    const double x = axis.x / length, y = axis.y / length, z = axis.z / length;
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    Turn r{{t * x * x + c, t * x * y - s * z, t * x * z + s * y, t * x * y + s * z,
            t * y * y + c, t * y * z - s * x, t * x * z - s * y, t * y * z + s * x,
            t * z * z + c}};
    for (double& v : r.m) {
        for (double snap : {-1.0, 0.0, 1.0}) {
            if (std::fabs(v - snap) < 1e-12) v = snap;
        }
    }
    return r;
}

Turn compose(const Turn& second, const Turn& first) {
    Turn r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) r.m[i * 3 + j] += second.m[i * 3 + k] * first.m[k * 3 + j];
        }
    }
    return r;
}

Float3 apply(const Turn& r, Float3 v) {
    const double x = v.x, y = v.y, z = v.z;
    return {float(r.m[0] * x + r.m[1] * y + r.m[2] * z), float(r.m[3] * x + r.m[4] * y + r.m[5] * z),
            float(r.m[6] * x + r.m[7] * y + r.m[8] * z)};
}

} // namespace

void transformModel(ImportedModel* model, ImportOptions options) {
    if (model->vertices.empty()) return;
    Turn turn = identityTurn();
    // The shortest turn that takes `up` onto +y: a quarter turn about up x y, half a turn for -y.
    const Float3 u = options.up;
    if (u.y < 0.0f && u.x == 0.0f && u.z == 0.0f) {
        turn = turnAbout(180.0, {1.0f, 0.0f, 0.0f});
    } else if (u.x != 0.0f || u.z != 0.0f) {
        const float length = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
        turn = turnAbout(std::acos(double(u.y) / length) * 180.0 / M_PI, {-u.z, 0.0f, u.x});
    }
    turn = compose(turnAbout(options.rotateDegrees, options.rotateAxis), turn);
    for (Vertex& v : model->vertices) {
        v.position = apply(turn, v.position);
        v.normal = apply(turn, v.normal);
    }
    const ModelBounds b = modelBounds(*model);
    Float3 shift{0.0f, 0.0f, 0.0f};
    if (options.centre || options.floor) {
        shift = {-(b.lo.x + b.hi.x) * 0.5f, -(b.lo.y + b.hi.y) * 0.5f, -(b.lo.z + b.hi.z) * 0.5f};
    }
    if (options.floor) shift.y = -b.lo.y; // standing on y = 0
    float scale = options.scale;
    const float largest = std::max({b.hi.x - b.lo.x, b.hi.y - b.lo.y, b.hi.z - b.lo.z});
    if (options.fit > 0.0f && largest > 0.0f) scale = options.fit / largest;
    for (Vertex& v : model->vertices) {
        v.position = {(v.position.x + shift.x) * scale, (v.position.y + shift.y) * scale,
                      (v.position.z + shift.z) * scale};
    }
}

ModelBounds modelBounds(const ImportedModel& model) {
    if (model.vertices.empty()) return {};
    ModelBounds b{model.vertices[0].position, model.vertices[0].position};
    for (const Vertex& v : model.vertices) {
        b.lo = {std::min(b.lo.x, v.position.x), std::min(b.lo.y, v.position.y),
                std::min(b.lo.z, v.position.z)};
        b.hi = {std::max(b.hi.x, v.position.x), std::max(b.hi.y, v.position.y),
                std::max(b.hi.z, v.position.z)};
    }
    return b;
}

std::string describeBounds(const ModelBounds& b) {
    char text[320];
    std::snprintf(text, sizeof(text),
                  "x %g to %g, y %g to %g, z %g to %g; size %g by %g by %g; centre %g %g %g",
                  b.lo.x, b.hi.x, b.lo.y, b.hi.y, b.lo.z, b.hi.z, b.hi.x - b.lo.x,
                  b.hi.y - b.lo.y, b.hi.z - b.lo.z, (b.lo.x + b.hi.x) * 0.5f,
                  (b.lo.y + b.hi.y) * 0.5f, (b.lo.z + b.hi.z) * 0.5f);
    return text;
}

std::string meshNameProblem(std::string_view name) {
    if (name.empty()) return "the mesh name is empty";
    if (name.size() >= NAME_SIZE) {
        return "the mesh name '" + std::string(name) + "' has " + std::to_string(name.size()) +
               " characters; a scene file word has at most " + std::to_string(NAME_SIZE - 1);
    }
    for (char c : name) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            return "the mesh name '" + std::string(name) +
                   "' has a blank in it; a scene file word is one word";
        }
    }
    return {};
}

std::string defaultMeshName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
    return std::string(base);
}

namespace {

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string shellQuoted(const std::string& word) {
    const bool plain = std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' ||
               c == '/' || c == '+';
    });
    if (plain && !word.empty()) return word;
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    return quoted + "'";
}

} // namespace

std::string formatMeshRecord(std::string_view name, const ImportedModel& model) {
    std::string out;
    writeMeshRecord(&out, name, model.vertices, model.indices);
    return out;
}

std::string fileNameProblem(std::string_view path) {
    if (path.empty()) return "the file name is empty";
    if (path.size() >= PATH_SIZE) {
        return "the file name '" + std::string(path) + "' has " + std::to_string(path.size()) +
               " bytes; a file name in a scene file has at most " + std::to_string(PATH_SIZE - 1);
    }
    if (std::any_of(path.begin(), path.end(),
                    [](char c) { return std::isspace(static_cast<unsigned char>(c)); })) {
        return "the file name '" + std::string(path) +
               "' has a blank in it; a file name in a scene file is one word";
    }
    return {};
}

std::string formatMeshLines(const ImportedModel& model) {
    std::string out;
    writeMeshLines(&out, model.vertices, model.indices);
    return out;
}

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return lowered(dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name);
}

// Whether a file named `candidate` may be the image a model calls `wanted`: the same name without
// the extension, ignoring case; an 8.3 name (3DS files keep those) may stand for a longer one.
bool sameImage(const std::string& wanted, const std::string& candidate) {
    const std::string a = stemOf(wanted), b = stemOf(candidate);
    return a == b || (a.size() == 8 && b.starts_with(a));
}

// The image file for a model's texture name: the path as given (relative to the model's folder),
// else a file of the same base name beside the model, in a folder inside it or in a folder next
// to it. Empty when there is none.
std::string findImage(const std::string& folder, const std::string& texture) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string given = texture[0] == '/' ? texture : folder + texture;
    if (fs::is_regular_file(given, ec)) return given;
    const fs::path here = folder.empty() ? fs::path(".") : fs::path(folder);
    std::vector<fs::path> places = {here};
    for (const fs::path& root : {here, here / ".."}) {
        for (const auto& entry : fs::directory_iterator(root, ec)) {
            if (entry.is_directory(ec) && !fs::equivalent(entry.path(), here, ec)) {
                places.push_back(entry.path());
            }
        }
    }
    const std::string wanted = baseName(texture);
    for (const fs::path& place : places) {
        for (const auto& entry : fs::directory_iterator(place, ec)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file(ec) && sameImage(wanted, name)) {
                return entry.path().lexically_normal().string();
            }
        }
    }
    return {};
}

} // namespace

std::string textureAdvice(const ImportedModel& model, std::string_view modelPath) {
    const size_t slash = modelPath.find_last_of('/');
    const std::string folder =
        slash == std::string_view::npos ? "" : std::string(modelPath.substr(0, slash + 1));
    std::string out;
    for (const std::string& texture : model.textures) {
        if (!texture.empty() && texture[0] == '*') {
            out += "# texture: image " + texture +
                   " is embedded in the model; save it as a PNG file beside the scene file\n";
            continue;
        }
        const std::string found = findImage(folder, texture);
        if (found.empty()) {
            out += "# texture: '" + texture +
                   "' is not beside the model nor in a folder inside or next to it\n";
            continue;
        }
        const std::string name = baseName(found);
        const size_t dot = name.find_last_of('.');
        const bool hasExtension = dot != std::string::npos && dot > 0;
        const std::string extension = hasExtension ? lowered(name.substr(dot)) : "";
        const bool readable = extension == ".png" || extension == ".jpg" || extension == ".jpeg" ||
                              extension == ".tga";
        out += "# texture: " + found + "\n";
        // A TEXTURE word is one word of at most 255 bytes: a file the engine reads is named
        // where it lies when its path is such a word.
        std::error_code ec;
        const std::string where = std::filesystem::absolute(found, ec).lexically_normal().string();
        if (readable && !ec && fileNameProblem(where).empty()) {
            out += "# name it where it lies: TEXTURETYPE: STATIC TEXTURE: " + where + "\n";
            continue;
        }
        std::string word =
            readable ? name : name.substr(0, hasExtension ? dot : name.size()) + ".png";
        for (char& c : word) {
            if (std::isspace(static_cast<unsigned char>(c))) c = '_';
        }
        if (readable) {
            out += "# copy it beside the scene file: cp " + shellQuoted(found) + " " +
                   shellQuoted(word) + "\n";
        } else {
            out += "# the engine reads PNG, JPEG and TGA: convert " + shellQuoted(found) + " " +
                   shellQuoted(word) + "\n";
        }
        out += "# then name it in the material: TEXTURETYPE: STATIC TEXTURE: " + word + "\n";
    }
    return out;
}
