// The entity registry: the root group, pre-order indices, lookups, accessors and their ranges.
#include <gtest/gtest.h>

#include "test_data.h"

#include <cstring>

#include "scene/scene.h"

namespace {
Entity makeEntity(const char* name, int32_t entityType, Float3 position = {0, 0, 0},
                  Quaternion rotation = {0, 0, 0, 1}) {
    Entity e{};
    std::strncpy(e.name, name, NAME_SIZE - 1);
    e.entityType = entityType;
    e.type = MotionType::STATIC;
    e.position = position;
    e.rotation = rotation;
    e.visible = 1;
    return e;
}
} // namespace

TEST(Scene, NewSceneHoldsOnlyTheRootGroup) {
    Scene* s = createScene();
    ASSERT_EQ(getEntityCount(s), 1);
    const Entity& root = s->entities->items[0];
    EXPECT_STREQ(root.name, "Root Group");
    EXPECT_EQ(root.entityType, EntityType::GROUP);
    EXPECT_EQ(root.type, MotionType::STATIC);
    EXPECT_FLOAT_EQ(root.rotation.w, 1);
    EXPECT_EQ(root.changed, 1);
    EXPECT_EQ(root.node, s->nodeTree->root);
    EXPECT_EQ(s->nodeTree->root->entityIndex, 0);
    updateTransforms(s);
    EXPECT_FLOAT_EQ(s->nodeTree->root->worldBounds.axis0.x, 0);
    EXPECT_FLOAT_EQ(s->nodeTree->root->parentWorld.m[0], 1);
}

TEST(Scene, NameLookupsAreExactFirstMatchAndNeverTheRoot) {
    Scene* s = createScene();
    addEntity(s, makeEntity("Lamp", EntityType::LIGHT), 0);
    addEntity(s, makeEntity("Box", EntityType::OBJECT), 0);
    addEntity(s, makeEntity("Lamp", EntityType::LIGHT), 0);
    EXPECT_EQ(findEntityByName(s, "Lamp"), 1);
    EXPECT_EQ(findEntityByName(s, "Box"), 2);
    EXPECT_EQ(findEntityByName(s, "box"), 0);
    EXPECT_EQ(findEntityByName(s, "Root Group"), 0);
    EXPECT_EQ(findEntityByName(s, "Nothing"), 0);
    EXPECT_EQ(findEntityByName(s, "Lamp2345678901234567890"), 0);

    IndexList* lights = findEntitiesByType(s, EntityType::LIGHT);
    ASSERT_NE(lights, nullptr);
    ASSERT_EQ(lights->count, 2);
    EXPECT_EQ(lights->items[0], 1);
    EXPECT_EQ(lights->items[1], 3);
    freeIndexList(lights);
    EXPECT_EQ(findEntitiesByType(s, EntityType::CAMERA), nullptr);
}

TEST(Scene, SettersIgnoreIndicesOutsideTheList) {
    Scene* s = createScene();
    addEntity(s, makeEntity("Box", EntityType::OBJECT, {1, 2, 3}), 0);
    updateTransforms(s);
    for (int32_t bad : {-1, 2, 1000}) {
        setEntityPosition(s, bad, {9, 9, 9});
        setEntityRotation(s, bad, {1, 0, 0, 0});
        setEntityMaterial(s, bad, Material{});
    }
    EXPECT_FLOAT_EQ(getEntityPosition(s, 1).x, 1);
    EXPECT_EQ(s->entities->items[1].changed, 0);
    setEntityPosition(s, 1, {4, 5, 6});
    EXPECT_EQ(s->entities->items[1].changed, 1);
    EXPECT_EQ(getEntityNode(s, 1)->dirty, 1);
}

// Each changed entity is queued once for the next update, and the queue never runs past the
// entity count, even when the flag is cleared by hand between writes.
TEST(Scene, ChangedEntitiesAreQueuedOnceAndWithinTheList) {
    Scene* s = createScene();
    const int32_t box = addEntity(s, makeEntity("Box", EntityType::OBJECT, {1, 2, 3}), 0);
    const int32_t other = addEntity(s, makeEntity("Other", EntityType::OBJECT), 0);
    EXPECT_EQ(s->changedEntities.count, 3); // the root, the box and the other
    updateTransforms(s);
    EXPECT_EQ(s->changedEntities.count, 0);
    setEntityPosition(s, box, {4, 5, 6});
    setEntityRotation(s, box, quaternionFromAxisAngle(90, 0, 1, 0));
    moveEntityAlongAxes(s, box, 0, 0, 1);
    EXPECT_EQ(s->changedEntities.count, 1);
    for (int i = 0; i < 100; ++i) {
        s->entities->items[box].changed = 0;
        setEntityPosition(s, box, {7, 8, static_cast<float>(i)});
    }
    EXPECT_LE(s->changedEntities.count, getEntityCount(s));
    setEntityPosition(s, other, {0, 0, -3}); // the queue is full by now
    updateTransforms(s);
    // Both local matrices were rebuilt.
    EXPECT_FLOAT_EQ(getEntityWorldMatrix(s, box).m[11], 99);
    EXPECT_FLOAT_EQ(getEntityWorldMatrix(s, other).m[11], -3);
}

TEST(Scene, SceneCameraOnlyFromACameraEntity) {
    Scene* s = createScene();
    const int32_t box = addEntity(s, makeEntity("Box", EntityType::OBJECT, {5, 5, 5}), 0);
    const int32_t group = addEntity(s, makeEntity("G", EntityType::GROUP, {100, 0, 0}), 0);
    const int32_t cam = addEntity(s, makeEntity("Cam", EntityType::CAMERA, {0, 2, 10}), group);
    setSceneCamera(s, box);
    setSceneCamera(s, 0);
    setSceneCamera(s, 99);
    EXPECT_FLOAT_EQ(s->camera.position.x, 0);
    EXPECT_EQ(s->cameraEntity, 0);
    turnCamera(&s->camera, 10, 20, 0);
    setSceneCamera(s, cam);
    EXPECT_EQ(s->cameraEntity, cam);
    // The entity's own position, relative to its parent, and all angles reset.
    expectNumbers({{s->camera.position.x, 0},
                   {s->camera.position.z, 10},
                   {s->camera.yaw, 0},
                   {s->camera.pitch, 0}});
}

TEST(Scene, MoveAlongAxesUsesTheRotationOfTheLastUpdate) {
    Scene* s = createScene();
    const int32_t e = addEntity(
        s,
        makeEntity("Turned", EntityType::OBJECT, {0, 0, 0}, quaternionFromAxisAngle(90, 0, 1, 0)),
        0);
    updateTransforms(s);
    moveEntityAlongAxes(s, e, 0, 0, 1);
    const Float3 p = getEntityPosition(s, e);
    EXPECT_NEAR(p.x, 1, 1e-6f);
    EXPECT_NEAR(p.y, 0, 1e-6f);
    EXPECT_NEAR(p.z, 0.0000463f, 2e-6f); // the engine's degree factor is not exact
    EXPECT_EQ(s->entities->items[e].changed, 1);
}

TEST(Scene, LightInfoFromWorldPositionWithDefaultsBeyondTheList) {
    Scene* s = createScene();
    const int32_t g = addEntity(s, makeEntity("G", EntityType::GROUP, {0, 10, 0}), 0);
    Entity lamp = makeEntity("Lamp", EntityType::LIGHT, {1, 0, 0});
    lamp.material.diffuse = {1, 0.5f, 0.25f, 1};
    const int32_t l = addEntity(s, lamp, g);
    updateTransforms(s);
    LightInfo info{};
    getLightInfo(s, l, &info);
    expectNumbers({{info.position.x, 1}, {info.position.y, 10}, {info.material.diffuse.g, 0.5f}});
    LightInfo fallback{};
    fallback.material.shininess = 7;
    getLightInfo(s, 50, &fallback);
    expectNumbers({{fallback.position.x, 0},
                   {fallback.material.ambient.r, 0.1f},
                   {fallback.material.diffuse.g, 0.4f},
                   {fallback.material.specular.b, 0.7f}});
    EXPECT_FLOAT_EQ(fallback.material.shininess, 7); // other fields left alone
}
