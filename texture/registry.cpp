// The texture registry (entry 0 is the white "None" texture; entries are only ever appended)
// and the Resources holder. Images are read here and handed to the back end's hooks as entries
// are made; no GL call. Camera names are at most 19 bytes and file names 255; longer ones are
// refused, never cut or overflowed.
#include "texture/registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/alloc.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "texture/tga.h"

namespace {

constexpr Colour WHITE{1.0f, 1.0f, 1.0f, 1.0f};

template <size_t N> void copyName(char (&field)[N], const char* text) {
    std::snprintf(field, sizeof(field), "%s", text);
}

// The back end's name for a texture of the image; 0 without a back end.
uint32_t upload(const TextureRegistry* registry, const TgaImage* image) {
    return registry->hooks.upload ? registry->hooks.upload(image) : 0;
}

} // namespace

// The first entry for each file name and for each link: what a walk of the registry from the
// front would find, without that walk for every texture a scene file names.
struct TextureNameIndex {
    std::unordered_map<std::string, int32_t> fileNames, links;
    int32_t indexed = 0; // entries entered so far
};

namespace {

// Enters the entries appended since the last call (by anyone), or all of them again when the
// registry was emptied since.
const TextureNameIndex& indexedNames(TextureRegistry* registry) {
    if (registry->names == nullptr) registry->names = new TextureNameIndex;
    TextureNameIndex& index = *registry->names;
    if (index.indexed > registry->count) index = TextureNameIndex{};
    for (; index.indexed < registry->count; ++index.indexed) {
        const Texture& entry = registry->entries[index.indexed];
        index.fileNames.try_emplace(std::string(entry.fileName, strnlen(entry.fileName, PATH_SIZE)),
                                    index.indexed);
        index.links.try_emplace(std::string(entry.link, strnlen(entry.link, NAME_SIZE)),
                                index.indexed);
    }
    return index;
}

int32_t findLoaded(const std::unordered_map<std::string, int32_t>& names, const char* key) {
    const auto found = names.find(key);
    return found == names.end() ? -1 : found->second;
}

} // namespace

void createTextureRegistry(TextureRegistry* registry, TextureHooks hooks) {
    registry->count = 0;
    registry->entries = nullptr;
    registry->boundIndex = 0;
    registry->names = nullptr;
    registry->unread = nullptr;
    registry->hooks = hooks;

    Texture none{};
    none.textureType = TextureType::STATIC;
    copyName(none.fileName, "None");
    TgaImage* image = createImage(2, 2);
    if (!image) failAllocation("the white texture");
    fillImage(image, WHITE);
    none.glName = upload(registry, image);
    destroyImage(image);
    appendRecord(&registry->count, &registry->entries, none);
}

int32_t loadTexture(TextureRegistry* registry, const char* name, int32_t kind, const char* link) {
    if (!name) name = "";
    if (!link) link = "";
    const char* key = kind == TextureType::DYNAMIC ? link : name;
    const int32_t limit = kind == TextureType::DYNAMIC ? NAME_SIZE - 1 : PATH_SIZE - 1;
    if (std::strlen(key) > static_cast<size_t>(limit)) {
        std::fprintf(stderr, "TEXTURE: '%s' is longer than %d bytes; the white texture is used\n",
                     key, limit);
        return 0;
    }

    Texture entry{};
    entry.textureType = kind;
    TgaImage* image = nullptr;
    if (kind == TextureType::STATIC) {
        const int32_t loaded = findLoaded(indexedNames(registry).fileNames, name);
        if (loaded >= 0) return loaded;
        copyName(entry.fileName, name);
        const std::string path = texturePath(registry, name);
        ImageFile file = readImageFile(path.c_str());
        printImageFile(path.c_str(), file);
        image = file.image;
        if (!image) {
            if (!registry->unread) registry->unread = new std::vector<UnreadTexture>;
            registry->unread->push_back({name, std::move(file)});
        }
    } else if (kind == TextureType::DYNAMIC) {
        const int32_t loaded = findLoaded(indexedNames(registry).links, link);
        if (loaded >= 0) return loaded;
        copyName(entry.link, link);
        image = createImage(DYNAMIC_TEXTURE_SIZE, DYNAMIC_TEXTURE_SIZE);
        if (!image) failAllocation("a dynamic texture");
        fillImage(image, WHITE);
    }

    // An entry without an image shares the white texture's GL name, so binding it is harmless.
    entry.glName = registry->count > 0 ? registry->entries[0].glName : 0;
    if (image) {
        entry.glName = upload(registry, image);
        registry->boundIndex = registry->count;
        destroyImage(image);
    }
    // An entry without an image sets them on the texture current before it, as it always has.
    if (registry->hooks.setSampling) registry->hooks.setSampling();
    return appendRecord(&registry->count, &registry->entries, entry);
}

void resolveTextureLinks(TextureRegistry* registry, const Scene* scene) {
    for (int32_t i = 0; i < registry->count; ++i) {
        Texture& entry = registry->entries[i];
        if (entry.textureType != TextureType::DYNAMIC) continue;
        entry.linkEntity = scene ? findEntityByName(scene, entry.link) : 0;
    }
}

DynamicTextureList* listDynamicTextures(const TextureRegistry* registry) {
    DynamicTextureList* list = nullptr;
    for (int32_t i = 0; i < registry->count; ++i) {
        const Texture& entry = registry->entries[i];
        if (entry.textureType != TextureType::DYNAMIC) continue;
        if (!list) {
            list = static_cast<DynamicTextureList*>(
                allocZeroed(1, sizeof(DynamicTextureList), "a dynamic texture list"));
            list->cameras = createIndexList(entry.linkEntity);
            list->textureIndexes = createIndexList(i);
        } else {
            list->cameras = appendIndex(list->cameras, entry.linkEntity);
            list->textureIndexes = appendIndex(list->textureIndexes, i);
        }
    }
    return list;
}

void freeDynamicTextureList(DynamicTextureList* list) {
    if (!list) return;
    freeIndexList(list->cameras);
    freeIndexList(list->textureIndexes);
    std::free(list);
}

Resources* createResources(TextureHooks hooks) {
    auto* resources =
        static_cast<Resources*>(allocZeroed(1, sizeof(Resources), "the resources holder"));
    resources->meshes = MeshList{0, nullptr};
    createTextureRegistry(&resources->textures, hooks);
    resources->particleSystems = PtrList<ParticleSystem>{0, nullptr};
    resources->drawBoundings = 0;
    return resources;
}

int32_t addMesh(Resources* resources, const Mesh& mesh) {
    return appendMesh(&resources->meshes, mesh);
}

int32_t addParticleSystem(Resources* resources, ParticleSystem* system) {
    return appendPointer(&resources->particleSystems, system);
}

ParticleSystem* getParticleSystem(const Resources* resources, int32_t index) {
    if (index < 0 || index >= resources->particleSystems.count) return nullptr;
    return getPointer(&resources->particleSystems, index);
}

void setDrawBoundings(Resources* resources, int32_t value) {
    resources->drawBoundings = value != 0 ? 1 : 0;
}

int32_t loadTexture(Resources* resources, const char* name, int32_t kind, const char* link) {
    return loadTexture(&resources->textures, name, kind, link);
}

void resolveTextureLinks(Resources* resources, const Scene* scene) {
    resolveTextureLinks(&resources->textures, scene);
}

DynamicTextureList* listDynamicTextures(const Resources* resources) {
    return listDynamicTextures(&resources->textures);
}

std::string texturePath(const char* folder, std::string_view name) {
    if (!folder || !*folder || name.substr(0, 1) == "/") return std::string(name);
    std::string path = folder;
    if (path.back() != '/') path += '/';
    return path.append(name);
}

std::string texturePath(const TextureRegistry* registry, const char* name) {
    return texturePath(registry->folder, name);
}

void deleteTextureObjects(const TextureRegistry* registry) {
    // Entries without an image share entry 0's name, which is released once.
    for (int32_t i = 0; registry->hooks.release && i < registry->count; ++i) {
        const uint32_t name = registry->entries[i].glName;
        if (i == 0 || name != registry->entries[0].glName) registry->hooks.release(name);
    }
}

void freeTextureRegistry(TextureRegistry* registry) {
    std::free(registry->entries);
    delete registry->names;
    delete registry->unread;
    registry->entries = nullptr;
    registry->names = nullptr;
    registry->unread = nullptr;
    registry->count = 0;
    registry->boundIndex = 0;
}

void deleteTextureObjects(const Resources* resources) {
    if (resources) deleteTextureObjects(&resources->textures);
}

void freeResources(Resources* resources) {
    if (!resources) return;
    // The mesh list owns the copies appendMesh made of each mesh's arrays.
    for (int32_t i = 0; i < resources->meshes.count; ++i) {
        std::free(resources->meshes.items[i].vertices);
        std::free(resources->meshes.items[i].indices);
    }
    std::free(resources->meshes.items);
    for (int32_t i = 0; i < resources->particleSystems.count; ++i) {
        freeParticleSystem(resources->particleSystems.items[i]);
    }
    std::free(resources->particleSystems.items);
    freeTextureRegistry(&resources->textures);
    std::free(resources);
}
