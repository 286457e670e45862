// The parts of krestel-import that need no assimp: scaling and centring the merged model,
// checking the mesh name, and writing the MESH record and the texture advice as text.
#include "tools/import/import_model.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

void transformModel(ImportedModel* model, ImportOptions options) {
    if (model->vertices.empty()) return;
    Float3 shift{0.0f, 0.0f, 0.0f};
    if (options.centre) {
        Float3 lo = model->vertices[0].position;
        Float3 hi = lo;
        for (const Vertex& v : model->vertices) {
            lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
                  std::min(lo.z, v.position.z)};
            hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
                  std::max(hi.z, v.position.z)};
        }
        shift = {-(lo.x + hi.x) * 0.5f, -(lo.y + hi.y) * 0.5f, -(lo.z + hi.z) * 0.5f};
    }
    for (Vertex& v : model->vertices) {
        v.position = {(v.position.x + shift.x) * options.scale,
                      (v.position.y + shift.y) * options.scale,
                      (v.position.z + shift.z) * options.scale};
    }
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

void appendNumber(std::string* out, float value) {
    if (value == 0.0f) value = 0.0f; // no "-0" in the file
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    out->append(buffer, result.ptr);
}

void appendNumbers(std::string* out, std::initializer_list<float> values) {
    bool first = true;
    for (float v : values) {
        if (!first) out->push_back(' ');
        appendNumber(out, v);
        first = false;
    }
}

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
    out.reserve(64 + model.vertices.size() * 80 + model.indices.size() * 8);
    out += "\tMESH: ";
    out += name;
    out += "\n\t\tPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\n";
    out += "\t\tVERTEXCOUNT: " + std::to_string(model.vertices.size()) + "\n";
    for (const Vertex& v : model.vertices) {
        out += "\t\tPOSITION: ";
        appendNumbers(&out, {v.position.x, v.position.y, v.position.z});
        out += " NORMAL: ";
        appendNumbers(&out, {v.normal.x, v.normal.y, v.normal.z});
        out += " TEXCOORD: ";
        appendNumbers(&out, {v.texCoord.u, v.texCoord.v});
        out += '\n';
    }
    out += "\t\tSURFACECOUNT: 1\n";
    out += "\t\t\tTRIANGLECOUNT: " + std::to_string(model.indices.size() / 3) + "\n";
    for (size_t i = 0; i + 2 < model.indices.size(); i += 3) {
        out += "\t\t\t" + std::to_string(model.indices[i]) + ' ' +
               std::to_string(model.indices[i + 1]) + ' ' + std::to_string(model.indices[i + 2]) +
               '\n';
    }
    return out;
}

std::string textureAdvice(const ImportedModel& model, std::string_view modelPath) {
    const size_t slash = modelPath.find_last_of('/');
    const std::string folder =
        slash == std::string_view::npos ? "" : std::string(modelPath.substr(0, slash + 1));
    std::string out;
    for (const std::string& texture : model.textures) {
        if (!texture.empty() && texture[0] == '*') {
            out += "# texture: image " + texture +
                   " is embedded in the model; save it to a file, then convert it to an "
                   "uncompressed TGA\n";
            continue;
        }
        // Image paths in a model are relative to the model's folder.
        const std::string source = texture[0] == '/' ? texture : folder + texture;
        std::string stem = baseName(texture);
        const size_t dot = stem.find_last_of('.');
        if (dot != std::string::npos && dot > 0) stem.resize(dot);
        // The TEXTURE word is one word of at most 19 characters, ".tga" included.
        for (char& c : stem) {
            if (std::isspace(static_cast<unsigned char>(c))) c = '_';
        }
        if (stem.size() > NAME_SIZE - 1 - 4) stem.resize(NAME_SIZE - 1 - 4);
        if (stem.empty()) stem = "texture";
        const std::string tga = stem + ".tga";
        out += "# texture: " + source + "\n";
        out += "# make it an uncompressed TGA with: convert " + shellQuoted(source) +
               " -type TrueColor -compress none " + shellQuoted(tga) + "\n";
        out += "# then name it in the material: TEXTURETYPE: STATIC TEXTURE: " + tga + "\n";
    }
    return out;
}
