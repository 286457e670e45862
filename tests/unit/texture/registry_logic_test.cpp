// The registry operations that need no GL context: dynamic textures listed in entry order with
// their resolved camera entities, and names too long for an entry refused before anything is
// touched. Entries are appended directly, as loadTexture would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "texture/registry.h"

namespace {

void append(TextureRegistry* registry, int32_t type, const char* fileName, const char* link) {
    Texture t{};
    t.textureType = type;
    std::strcpy(t.fileName, fileName);
    std::strcpy(t.link, link);
    t.linkEntity = -1;
    t.glName = 1;
    appendRecord(&registry->count, &registry->entries, t);
}

std::vector<int32_t> items(const IndexList* list) {
    return std::vector<int32_t>(list->items, list->items + list->count);
}

TEST(Registry, DynamicTexturesResolveTheirCamerasAndListInEntryOrder) {
    static Scene* scene = createScene(); // scenes live for the whole run
    Entity camera{};
    camera.entityType = EntityType::CAMERA;
    std::strcpy(camera.name, "Cam1");
    const int32_t cam1 = addEntity(scene, camera, 0);
    std::strcpy(camera.name, "Cam2");
    const int32_t cam2 = addEntity(scene, camera, cam1);

    Resources resources{};
    TextureRegistry& registry = resources.textures;
    EXPECT_EQ(listDynamicTextures(&resources), nullptr);
    append(&registry, TextureType::STATIC, "None", "");
    append(&registry, TextureType::DYNAMIC, "", "Cam2");
    append(&registry, TextureType::DYNAMIC, "", "Nobody"); // the root
    append(&registry, TextureType::STATIC, "Cam1", "Cam1"); // not DYNAMIC: untouched
    append(&registry, TextureType::DYNAMIC, "", "Cam1");
    resolveTextureLinks(&resources, scene);
    EXPECT_EQ(registry.entries[3].linkEntity, -1);
    DynamicTextureList* list = listDynamicTextures(&resources);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(items(list->cameras), (std::vector<int32_t>{cam2, 0, cam1}));
    EXPECT_EQ(items(list->textureIndexes), (std::vector<int32_t>{1, 2, 4}));
    freeDynamicTextureList(list);
    for (int32_t index : {-1, 0, 1}) EXPECT_EQ(getParticleSystem(&resources, index), nullptr);
}

TEST(Registry, NamesThatDoNotFitAreRefusedBeforeAnythingIsTouched) {
    TextureRegistry registry{};
    append(&registry, TextureType::STATIC, "None", "");
    const std::string longName(20, 'n'), veryLong(300, 'v');
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadTexture(&registry, longName.c_str(), TextureType::STATIC, ""), 0);
    EXPECT_EQ(loadTexture(&registry, "x", TextureType::DYNAMIC, veryLong.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "TEXTURE: '" + longName + "' is longer than 19 characters; the white texture is used\n"
              "TEXTURE: '" + veryLong + "' is longer than 19 characters; the white texture is used\n");
    EXPECT_EQ(registry.count, 1);
}

} // namespace
