// Reading a model file through assimp into one merged triangle list. The only file of the
// importer that includes assimp; the model is copied out before the assimp scene is freed.
#include "tools/import/import_model.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Faces that meet at more than this angle keep separate normals, so a box keeps hard edges
// while a sphere stays smooth.
constexpr float SMOOTHING_ANGLE_DEGREES = 80.0f;

Float3 unitOrZero(aiVector3D v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

void noteTexture(const aiMaterial* material, ImportedModel* model) {
    if (!material) return;
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}) {
        aiString path;
        if (material->GetTexture(type, 0, &path) == AI_SUCCESS && path.length > 0) {
            const std::string name(path.C_Str());
            if (std::find(model->textures.begin(), model->textures.end(), name) ==
                model->textures.end()) {
                model->textures.push_back(name);
            }
            return;
        }
    }
}

// The up axis the file declares, where its format has the word (FBX and a few others, as assimp
// reports it in the scene's metadata): "+Z", "-Y", ...; empty when it declares none.
std::string declaredUpAxis(const aiScene* scene) {
    if (!scene->mMetaData) return {};
    int32_t axis = -1;
    int32_t sign = 1;
    if (!scene->mMetaData->Get("UpAxis", axis) || axis < 0 || axis > 2) return {};
    scene->mMetaData->Get("UpAxisSign", sign);
    return std::string(sign < 0 ? "-" : "+") + "XYZ"[axis];
}

} // namespace

bool importModel(const std::string& path, ImportedModel* model, std::string* error) {
    *model = ImportedModel{};
    // assimp's own message for a missing file is vague; say it plainly.
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        *error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }

    Assimp::Importer importer;
    importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, SMOOTHING_ANGLE_DEGREES);
    const unsigned flags = aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                           aiProcess_JoinIdenticalVertices | aiProcess_PreTransformVertices |
                           aiProcess_SortByPType | aiProcess_ValidateDataStructure;
    const aiScene* scene = importer.ReadFile(path, flags);
    if (!scene) {
        *error = "cannot read '" + path + "' as a model: " + importer.GetErrorString();
        return false;
    }

    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        if (!mesh || !mesh->mVertices) continue;
        const size_t base = model->vertices.size();
        if (base + mesh->mNumVertices > size_t{std::numeric_limits<int32_t>::max()}) {
            *error = "'" + path + "' has more vertices than one mesh can hold";
            return false;
        }
        size_t triangles = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) {
                ++model->skippedPrimitives;
                continue;
            }
            for (unsigned k = 0; k < 3; ++k) {
                model->indices.push_back(static_cast<uint32_t>(base + face.mIndices[k]));
            }
            ++triangles;
        }
        if (triangles == 0) continue;
        const aiVector3D* uv = mesh->mTextureCoords[0];
        for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
            Vertex v{};
            v.position = {mesh->mVertices[i].x, mesh->mVertices[i].y, mesh->mVertices[i].z};
            v.normal = mesh->mNormals ? unitOrZero(mesh->mNormals[i]) : Float3{0.0f, 0.0f, 0.0f};
            v.texCoord = uv ? TexCoord{uv[i].x, uv[i].y} : TexCoord{0.0f, 0.0f};
            model->vertices.push_back(v);
        }
        ++model->meshCount;
        if (mesh->mMaterialIndex < scene->mNumMaterials) {
            noteTexture(scene->mMaterials[mesh->mMaterialIndex], model);
        }
    }
    if (model->indices.empty()) {
        *error = "'" + path + "' holds no triangles";
        return false;
    }
    model->upAxis = declaredUpAxis(scene);
    return true;
}
