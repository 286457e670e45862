// The texture registry (every texture of the engine, referred to by index; entry 0 is the white
// "None" texture) and Resources, which bundles meshes, textures, particle systems and the
// bounding-box display flag. Records only: the drawing back end makes and frees the textures
// themselves through the registry's TextureHooks (render/gl_textures.h for OpenGL) and binds them.
#pragma once

#include "core/camera.h"
#include "core/list.h"
#include "core/records.h"
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
    char fileName[PATH_SIZE]; // STATIC: image path
    uint32_t glName;          // the back end's name; entry 0's when no image was made for the entry
};

// What the drawing back end does as the registry makes and frees entries, called in that order,
// so textures are uploaded as they load. A member left null does nothing: a registry without a
// back end (a zero-initialised one, or tests) keeps records only and every name stays 0.
struct TextureHooks {
    // Makes a texture of the image and returns its name; the new texture is left current.
    uint32_t (*upload)(const TgaImage* image);
    // Repeat wrapping and linear filtering for the current texture; after each loaded entry.
    void (*setSampling)();
    // Frees the texture of that name.
    void (*release)(uint32_t name);
};

struct TextureRegistry {
    int32_t count;
    int32_t boundIndex; // the entry whose texture is current, as the back end last made or bound
    Texture* entries;
    // The scene file's folder, which relative texture names are read from; null or "" for the
    // current folder. Not owned: the engine keeps the text for the life of the registry.
    const char* folder;
    // The first entry for each file name and each link, made and kept by loadTexture.
    TextureNameIndex* names;
    // STATIC files that gave no image, in the order loaded (null until the first): kept for the
    // load's warnings, which report them with the scene's line, instead of a message here.
    std::vector<UnreadTexture>* unread;
    TextureHooks hooks;
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

// Registry operations. Creating and loading call the hooks (for OpenGL: a context must be current).
void createTextureRegistry(TextureRegistry* registry, TextureHooks hooks);
int32_t loadTexture(TextureRegistry* registry, const char* name, int32_t kind, const char* link);
void resolveTextureLinks(TextureRegistry* registry, const Scene* scene);
DynamicTextureList* listDynamicTextures(const TextureRegistry* registry);
void freeDynamicTextureList(DynamicTextureList* list);
// Releases the registry's textures through the release hook (with GL hooks a context must be
// current) and nothing else.
void deleteTextureObjects(const TextureRegistry* registry);
// Frees the registry's entries and name tables and leaves it empty; releases nothing: that is
// deleteTextureObjects' business, or the process's end's.
void freeTextureRegistry(TextureRegistry* registry);
// Where a STATIC texture name is read from: joined to the scene file's folder unless the name is
// absolute (a null or empty folder is the current one). The one rule for every reader.
std::string texturePath(const char* folder, std::string_view name);
std::string texturePath(const TextureRegistry* registry, const char* name);

// Resources operations. createResources makes the registry with the back end's hooks, which
// upload the white texture at once; a zero-initialised Resources is a valid empty holder for code
// that draws nothing.
Resources* createResources(TextureHooks hooks);
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
void resolveTextureLinks(Resources* resources, const Scene* scene);
DynamicTextureList* listDynamicTextures(const Resources* resources);
