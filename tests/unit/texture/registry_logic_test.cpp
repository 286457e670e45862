// The registry and Resources operations that need no GL context: the dynamic-texture list, link
// resolution against a scene, name refusal, and the range checks of the Resources accessors.
// Registries here are built by appending entries directly, as loadTexture would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "texture/registry.h"

namespace {

Texture makeEntry(int32_t type, const char* fileName, const char* link, int32_t linkEntity) {
    Texture t{};
    t.textureType = type;
    std::strcpy(t.fileName, fileName);
    std::strcpy(t.link, link);
    t.linkEntity = linkEntity;
    t.glName = 1;
    return t;
}

std::vector<int32_t> items(const IndexList* list) {
    return std::vector<int32_t>(list->items, list->items + list->count);
}

TEST(DynamicTextureList, NullWithoutDynamicEntries) {
    TextureRegistry registry{};
    EXPECT_EQ(listDynamicTextures(&registry), nullptr); // empty holder
    appendRecord(&registry.count, &registry.entries, makeEntry(TextureType::STATIC, "None", "", 0));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::STATIC, "a.tga", "", 0));
    appendRecord(&registry.count, &registry.entries, makeEntry(5, "", "", 0));
    EXPECT_EQ(listDynamicTextures(&registry), nullptr);
    freeDynamicTextureList(nullptr); // allowed
    std::free(registry.entries);
}

TEST(DynamicTextureList, CamerasAndIndicesInAscendingEntryOrder) {
    TextureRegistry registry{};
    appendRecord(&registry.count, &registry.entries, makeEntry(TextureType::STATIC, "None", "", 0));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "CamA", 4));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::STATIC, "b.tga", "", 9));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "CamB", 2));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "CamC", 0));

    DynamicTextureList* list = listDynamicTextures(&registry);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(items(list->cameras), (std::vector<int32_t>{4, 2, 0}));
    EXPECT_EQ(items(list->textureIndexes), (std::vector<int32_t>{1, 3, 4}));

    // Each call gives a fresh list the caller owns.
    DynamicTextureList* again = listDynamicTextures(&registry);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->cameras, list->cameras);
    freeDynamicTextureList(list);
    freeDynamicTextureList(again);
    std::free(registry.entries);
}

TEST(DynamicTextureList, ResolvedLinksNameEntitiesAndUnknownNamesGiveTheRoot) {
    // Scenes live for the whole run (there is no way to free one): keep it reachable.
    static Scene* scene = createScene();
    Entity camera{};
    std::strcpy(camera.name, "Cam1");
    camera.entityType = EntityType::CAMERA;
    camera.type = MotionType::STATIC;
    const int32_t cam1 = addEntity(scene, camera, 0);
    std::strcpy(camera.name, "Cam2");
    const int32_t cam2 = addEntity(scene, camera, cam1);
    ASSERT_GT(cam1, 0);
    ASSERT_GT(cam2, cam1);

    Resources resources{};
    TextureRegistry& registry = resources.textures;
    appendRecord(&registry.count, &registry.entries, makeEntry(TextureType::STATIC, "None", "", 0));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "Cam2", -1));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "Nobody", -1));
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::STATIC, "Cam1", "Cam1", -1)); // not DYNAMIC: untouched
    appendRecord(&registry.count, &registry.entries,
                 makeEntry(TextureType::DYNAMIC, "", "Cam1", -1));

    resolveTextureLinks(&resources, scene);
    EXPECT_EQ(registry.entries[1].linkEntity, cam2);
    EXPECT_EQ(registry.entries[2].linkEntity, 0);
    EXPECT_EQ(registry.entries[3].linkEntity, -1);
    EXPECT_EQ(registry.entries[4].linkEntity, cam1);

    DynamicTextureList* list = listDynamicTextures(&resources);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(items(list->cameras), (std::vector<int32_t>{cam2, 0, cam1}));
    EXPECT_EQ(items(list->textureIndexes), (std::vector<int32_t>{1, 2, 4}));
    freeDynamicTextureList(list);
    std::free(registry.entries);
}

TEST(EmptyResources, AZeroHolderIsSafeToQuery) {
    Resources resources{};
    // No entries: nothing to bind and no GL call is made.
    bindTexture(&resources, 0);
    bindTexture(&resources, 7);
    EXPECT_EQ(resources.textures.boundIndex, 0);
    copyToDynamicTexture(&resources, 0);
    EXPECT_EQ(listDynamicTextures(&resources), nullptr);
    resolveTextureLinks(&resources, nullptr);
    for (int32_t index : {-1, 0, 1, 100}) EXPECT_EQ(getParticleSystem(&resources, index), nullptr);
}

TEST(EmptyResources, DrawBoundingsIsOnForAnyNonZeroValue) {
    Resources resources{};
    for (auto [value, expected] : {std::pair{1, 1}, {0, 0}, {5, 1}, {-3, 1}, {0, 0}}) {
        setDrawBoundings(&resources, value);
        EXPECT_EQ(resources.drawBoundings, expected) << "value " << value;
    }
}

TEST(RegistryNames, NamesThatDoNotFitAreRefusedBeforeAnythingIsTouched) {
    // 20 characters do not fit the 20-byte fields with their terminating zero.
    TextureRegistry registry{};
    appendRecord(&registry.count, &registry.entries, makeEntry(TextureType::STATIC, "None", "", 0));
    const std::string longName(20, 'n');
    const std::string veryLong(300, 'v');
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadTexture(&registry, longName.c_str(), TextureType::STATIC, ""), 0);
    EXPECT_EQ(loadTexture(&registry, "x", TextureType::DYNAMIC, veryLong.c_str()), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(registry.count, 1);
    EXPECT_EQ(err, "TEXTURE: '" + longName +
                       "' is longer than 19 characters; the white texture is used\n"
                       "TEXTURE: '" +
                       veryLong + "' is longer than 19 characters; the white texture is used\n");
    std::free(registry.entries);
}

} // namespace
