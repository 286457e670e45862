// One fscanf per template line, in the file's fixed order: the straightforward way to read the
// format, and the yardstick the engine's parser is measured against.
#include "bench/fscanf_reader.h"

#include <cstdio>
#include <cstring>

namespace bench {

namespace {

using Word = char[20];

struct Reader {
    std::FILE* f;
    FscanfScene* scene;
};

// fscanf returns the number of conversions; a template without any returns 0 and is checked
// only through the following line.
bool texture(Reader& r, bool linkLine) {
    Word type, link, file;
    if (std::fscanf(r.f, "TEXTURETYPE: %19s", type) != 1) return false;
    if (std::strcmp(type, "DYNAMIC") == 0) {
        if (linkLine) {
            if (std::fscanf(r.f, "\nLINK: %19s\n", link) != 1) return false;
        } else if (std::fscanf(r.f, " (%19[^)])\n", link) != 1) {
            return false;
        }
    } else {
        std::fscanf(r.f, "\n");
    }
    return std::fscanf(r.f, "TEXTURE: %19s\n", file) == 1;
}

bool panel(Reader& r) {
    float v[8];
    if (std::fscanf(r.f, "COLOUR: %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4) return false;
    if (!texture(r, true)) return false;
    if (std::fscanf(r.f, "MIN: %f %f TEX: %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4) return false;
    if (std::fscanf(r.f, "MAX: %f %f TEX: %f %f\n", &v[4], &v[5], &v[6], &v[7]) != 4) return false;
    ++r.scene->panels;
    return true;
}

bool hud(Reader& r) {
    float v[5];
    int count = 0;
    std::fscanf(r.f, "HUD:\n");
    if (std::fscanf(r.f, "APPTIME: %f %f\n", &v[0], &v[1]) != 2) return false;
    if (std::fscanf(r.f, "SIMTIME: %f %f\n", &v[0], &v[1]) != 2) return false;
    if (std::fscanf(r.f, "TIMECOLOUR: %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4)
        return false;
    if (std::fscanf(r.f, "BACKGROUNDCOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i)
        if (!panel(r)) return false;
    if (std::fscanf(r.f, "BUTTONCOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Word name, link;
        if (std::fscanf(r.f, "ACTIONNAME: %19s\n", name) != 1) return false;
        if (std::fscanf(r.f, "ACTIONVALUES: %f %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3], &v[4]) !=
            5)
            return false;
        if (std::fscanf(r.f, "ACTIONLINK: %19s\n", link) != 1) return false;
        if (!panel(r)) return false;
    }
    return true;
}

bool forcesAndSystems(Reader& r) {
    int count = 0;
    if (std::fscanf(r.f, "FORCECOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Word type;
        float s[3];
        if (std::fscanf(r.f, "FORCETYPE: %19s\n", type) != 1) return false;
        if (std::fscanf(r.f, "STRENGTH: %f %f %f\n", &s[0], &s[1], &s[2]) != 3) return false;
        ++r.scene->forces;
    }
    if (std::fscanf(r.f, "PARTICLECOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Word w[5];
        float v[4];
        if (std::fscanf(r.f, "PARTICLETYPE: %19s\n", w[0]) != 1 ||
            std::fscanf(r.f, "DISPLAYTYPE: %19s\n", w[1]) != 1 ||
            std::fscanf(r.f, "BLENDTYPE: %19s\n", w[2]) != 1 ||
            std::fscanf(r.f, "SYSTEMNAME: %19s\n", w[3]) != 1 ||
            std::fscanf(r.f, "BIRTHRATE: %f\n", &v[0]) != 1 ||
            std::fscanf(r.f, "LIFETIME: %f\n", &v[0]) != 1 ||
            std::fscanf(r.f, "SIZE: %f\n", &v[0]) != 1 ||
            std::fscanf(r.f, "INITIAL: %19s\n", w[4]) != 1 || !texture(r, false) ||
            std::fscanf(r.f, "MINCOLOUR: %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4 ||
            std::fscanf(r.f, "MAXCOLOUR: %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4 ||
            std::fscanf(r.f, "MINMASS: %f MAXMASS: %f\n", &v[0], &v[1]) != 2 ||
            std::fscanf(r.f, "MINSPEED: %f MAXSPEED: %f\n", &v[0], &v[1]) != 2) {
            return false;
        }
        ++r.scene->systems;
    }
    return true;
}

bool colours(Reader& r, Material* m) {
    Colour* c[4] = {&m->emission, &m->ambient, &m->diffuse, &m->specular};
    const char* templates[4] = {"\tEMISSION: %f %f %f %f\n", "AMBIENT: %f %f %f %f\n",
                                "DIFFUSE: %f %f %f %f\n", "SPECULAR: %f %f %f %f\n"};
    for (int i = 0; i < 4; ++i) {
        if (std::fscanf(r.f, templates[i], &c[i]->r, &c[i]->g, &c[i]->b, &c[i]->a) != 4)
            return false;
    }
    return std::fscanf(r.f, "SHININESS: %f\n", &m->shininess) == 1;
}

bool materialsAndMeshes(Reader& r) {
    int count = 0;
    if (std::fscanf(r.f, "MATERIALCOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Material m{};
        if (std::fscanf(r.f, "\tMATERIAL: %19s\n", m.name) != 1 || !colours(r, &m) ||
            !texture(r, true)) {
            return false;
        }
        ++r.scene->materials;
    }
    if (std::fscanf(r.f, "MESHCOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Word name;
        int vertexCount = 0, triangleCount = 0;
        if (std::fscanf(r.f, "\tMESH: %19s\n", name) != 1) return false;
        std::fscanf(r.f, "\t\tPOSITION: %*f %*f %*f ROTATION: %*f %*f %*f %*f SCALE: %*f %*f %*f");
        if (std::fscanf(r.f, "\t\tVERTEXCOUNT: %d\n", &vertexCount) != 1 || vertexCount < 0)
            return false;
        FscanfMesh mesh;
        mesh.vertices.resize(static_cast<size_t>(vertexCount));
        for (Vertex& v : mesh.vertices) {
            if (std::fscanf(r.f, "\t\tPOSITION: %f %f %f NORMAL: %f %f %f TEXCOORD: %f %f\n",
                            &v.position.x, &v.position.y, &v.position.z, &v.normal.x, &v.normal.y,
                            &v.normal.z, &v.texCoord.u, &v.texCoord.v) != 8)
                return false;
        }
        std::fscanf(r.f, "\t\tSURFACECOUNT: %*d\n");
        if (std::fscanf(r.f, "\t\t\tTRIANGLECOUNT: %d\n", &triangleCount) != 1 || triangleCount < 0)
            return false;
        mesh.indices.resize(3 * static_cast<size_t>(triangleCount));
        for (size_t t = 0; t < mesh.indices.size(); t += 3) {
            int a, b, c;
            if (std::fscanf(r.f, "%d %d %d\n", &a, &b, &c) != 3) return false;
            mesh.indices[t] = static_cast<uint32_t>(a);
            mesh.indices[t + 1] = static_cast<uint32_t>(b);
            mesh.indices[t + 2] = static_cast<uint32_t>(c);
        }
        r.scene->meshes.push_back(std::move(mesh));
    }
    return true;
}

bool keyframers(Reader& r) {
    int count = 0;
    if (std::fscanf(r.f, "KEYFRAMERCOUNT: %d\n", &count) != 1) return false;
    for (int i = 0; i < count; ++i) {
        Word type;
        int keys = 0;
        if (std::fscanf(r.f, "KEYFRAMETYPE: %19s\n", type) != 1) return false;
        if (std::fscanf(r.f, "KEYFRAMECOUNT: %d\n", &keys) != 1) return false;
        for (int k = 0; k < keys; ++k) {
            float v[5];
            if (std::strcmp(type, "POSITION") == 0) {
                if (std::fscanf(r.f, "T: %f KEYFRAME: %f %f %f\n", &v[0], &v[1], &v[2], &v[3]) != 4)
                    return false;
            } else if (std::strcmp(type, "ROTATION") == 0) {
                if (std::fscanf(r.f, "T: %f KEYFRAME: %f %f %f %f\n", &v[0], &v[1], &v[2], &v[3],
                                &v[4]) != 5)
                    return false;
            } else {
                Material m{};
                if (std::fscanf(r.f, "T: %f KEYFRAME:", &v[0]) != 1 || !colours(r, &m) ||
                    !texture(r, false))
                    return false;
            }
            ++r.scene->keys;
        }
    }
    return true;
}

bool entities(Reader& r, int count) {
    for (int i = 0; i < count; ++i) {
        Word kind, type, name, link, material;
        float v[13];
        int children = 0;
        std::fscanf(r.f, "------\n");
        if (std::fscanf(r.f, "ENTITY: %19s\n", kind) != 1 ||
            std::fscanf(r.f, "TYPE: %19s\n", type) != 1 ||
            std::fscanf(r.f, "NAME: %19s\n", name) != 1 ||
            std::fscanf(r.f, "POSITION: %f %f %f ROTATION: %f %f %f %f SCALE: %*f %*f %*f\n", &v[0],
                        &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) != 7 ||
            std::fscanf(r.f, "ACCELERATION: %f %f %f VELOCITY: %f %f %f\n", &v[0], &v[1], &v[2],
                        &v[3], &v[4], &v[5]) != 6 ||
            std::fscanf(r.f, "LINK: %19s\n", link) != 1 ||
            std::fscanf(r.f, "MATERIAL: %19s\n", material) != 1 ||
            std::fscanf(r.f, "MASS: %f\n", &v[0]) != 1 || !keyframers(r) ||
            std::fscanf(r.f, "CHILDCOUNT: %d\n", &children) != 1) {
            return false;
        }
        ++r.scene->entities;
        if (!entities(r, children)) return false;
    }
    return true;
}

} // namespace

bool readSceneWithFscanf(const char* path, FscanfScene* scene) {
    std::FILE* f = std::fopen(path, "r");
    if (!f) return false;
    Reader r{f, scene};
    Word camera;
    bool ok = std::fscanf(f, "SCENECAMERA: %19s\n", camera) == 1 && hud(r) && forcesAndSystems(r) &&
              materialsAndMeshes(r);
    if (ok) {
        std::fscanf(f, "SCENEGRAPH:\n");
        ok = entities(r, 1);
    }
    std::fclose(f);
    return ok;
}

} // namespace bench
