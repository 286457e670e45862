// The texture registry (every GL texture of the engine, referred to by index; entry 0 is the
// white "None" texture) and Resources, which bundles meshes, textures, particle systems and the
// bounding-box display flag. This file's operations call GL where they create or bind textures.
#pragma once

#include "core/list.h"
#include "render/camera.h"
#include "render/records.h"
#include "texture/tga.h"

#include <string>
#include <string_view>
#include <vector>

struct Scene;
struct ParticleSystem;
struct TextureNameIndex;

struct TextureType {
    enum : int32_t { DYNAMIC = 0, STATIC = 1 };
};

inline constexpr int32_t DYNAMIC_TEXTURE_SIZE = 256;

// A STATIC texture's file that gave no image: the name as the scene gives it, and what the
// reader found (its image null).
struct UnreadTexture {
    std::string fileName;
    ImageFile file;
};

struct Texture {
    int32_t textureType;
    char link[NAME_SIZE];     // DYNAMIC: camera entity name
    int32_t linkEntity;       // DYNAMIC: resolved camera entity index
    char fileName[NAME_SIZE]; // STATIC: TGA path
    uint32_t glName;          // entry 0's texture when no image was made for the entry
};

struct TextureRegistry {
    int32_t count;
    int32_t boundIndex;
    Texture* entries;
    // The scene file's folder, which relative texture names are read from; null or "" for the
    // current folder. Not owned: the engine keeps the text for the life of the registry.
    const char* folder;
    // The first entry for each file name and each link, made and kept by loadTexture.
    TextureNameIndex* names;
    // STATIC files that gave no image, in the order loaded (null until the first): kept for the
    // load's warnings, which report them with the scene's line, instead of a message here.
    std::vector<UnreadTexture>* unread;
};

struct DynamicTextureList {
    IndexList* cameras;
    IndexList* textureIndexes;
};

struct Resources {
    MeshList meshes;
    TextureRegistry textures;
    PtrList<ParticleSystem> particleSystems;
    Camera viewpoint;
    int32_t drawBoundings;
};

// Registry operations (GL context required for create, load, bind and copy).
// Uploads the float image into a new GL texture object, which is left bound; its GL name.
uint32_t uploadImage(const TgaImage* image);
void createTextureRegistry(TextureRegistry* registry);
int32_t loadTexture(TextureRegistry* registry, const char* name, int32_t kind, const char* link);
void bindTexture(TextureRegistry* registry, int32_t index);
void resolveTextureLinks(TextureRegistry* registry, const Scene* scene);
DynamicTextureList* listDynamicTextures(const TextureRegistry* registry);
void freeDynamicTextureList(DynamicTextureList* list);
void copyToDynamicTexture(TextureRegistry* registry, int32_t index);
// Deletes the registry's GL textures (a context must be current) and nothing else.
void deleteTextureObjects(const TextureRegistry* registry);
// Frees the registry's entries and name tables and leaves it empty. No GL call: its textures are
// deleteTextureObjects' business, or the process's end's.
void freeTextureRegistry(TextureRegistry* registry);
// Where a STATIC texture name is read from: joined to the scene file's folder unless the name is
// absolute (a null or empty folder is the current one). The one rule for every reader.
std::string texturePath(const char* folder, std::string_view name);
std::string texturePath(const TextureRegistry* registry, const char* name);

// Resources operations. createResources makes the registry and so needs a GL context; a
// zero-initialised Resources is a valid empty holder for code that draws nothing.
Resources* createResources();
int32_t addMesh(Resources* resources, const Mesh& mesh);
int32_t addParticleSystem(Resources* resources, ParticleSystem* system);
// Null for an index outside the list (a link that named nothing).
ParticleSystem* getParticleSystem(const Resources* resources, int32_t index);
void setDrawBoundings(Resources* resources, int32_t value);
// What a reload does with the holder of the scene it replaces: deleteTextureObjects while the
// context is current, then freeResources. At exit only freeResources runs, as the context may be
// gone already and its textures go with the process.
void deleteTextureObjects(const Resources* resources);
// Frees everything the holder owns (meshes, particle systems, the registry's records) and the
// holder itself; null is ignored. No GL call.
void freeResources(Resources* resources);
int32_t loadTexture(Resources* resources, const char* name, int32_t kind, const char* link);
void bindTexture(Resources* resources, int32_t index);
void resolveTextureLinks(Resources* resources, const Scene* scene);
DynamicTextureList* listDynamicTextures(const Resources* resources);
void copyToDynamicTexture(Resources* resources, int32_t index);
