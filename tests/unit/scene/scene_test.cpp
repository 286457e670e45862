// The entity registry and the transform update: world matrices, positions and boxes after any
// sequence of writes equal a full recomputation while untouched subtrees are skipped; lookups,
// accessors and their ranges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "scene/scene.h"
#include "test_data.h"

namespace {

Entity makeEntity(const char* name, int32_t entityType, Float3 position = {0, 0, 0},
                  Quaternion rotation = {0, 0, 0, 1}, BoundingBox bounds = {}) {
    Entity e{};
    std::strncpy(e.name, name, NAME_SIZE - 1);
    e.entityType = entityType, e.type = MotionType::STATIC, e.visible = 1;
    e.position = position, e.rotation = rotation, e.bounds = bounds;
    return e;
}

const BoundingBox UNIT_BOX = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};

// Brute force from the entity fields alone: world matrices top-down, boxes merged bottom-up.
BoundingBox expectNode(const Scene* s, const SceneNode* node, Matrix44 parentWorld) {
    const Entity& e = s->entities->items[node->entityIndex];
    const Matrix44 world = multiplyMatrices(
        parentWorld, multiplyMatrices(translationMatrix(e.position.x, e.position.y, e.position.z),
                                      matrixFromQuaternion(e.rotation)));
    const Matrix44 w = getEntityWorldMatrix(s, node->entityIndex);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(w.m[k], world.m[k], 1e-3f) << e.name;
    expectFloat3(getEntityWorldPosition(s, node->entityIndex),
                 transformPoint(parentWorld, e.position), 1e-3f);
    // Its own box, axis-aligned in its frame, turned: each world half-extent sums the turned halves.
    const Float3 h = {e.bounds.axis0.x, e.bounds.axis1.y, e.bounds.axis2.z};
    auto half = [&](const float* row) { return std::abs(row[0] * h.x) + std::abs(row[1] * h.y) + std::abs(row[2] * h.z); };
    BoundingBox b = {{half(world.m), 0, 0}, {0, half(world.m + 4), 0}, {0, 0, half(world.m + 8)},
                     transformPoint(world, e.bounds.centre)};
    for (const SceneNode* c = node->firstChild; c; c = c->nextSibling)
        b = mergeBoxes(b, expectNode(s, c, world));
    for (Float3 BoundingBox::*f : {&BoundingBox::axis0, &BoundingBox::axis1, &BoundingBox::axis2, &BoundingBox::centre})
        expectFloat3(node->worldBounds.*f, b.*f, 1e-3f);
    return b;
}

void expectRecomputed(const Scene* s) { expectNode(s, s->nodeTree->root, identityMatrix()); }

} // namespace

TEST(Transform, RandomTreesAndWritesMatchAFullRecomputation) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> coord(-5, 5), angle(-180, 180);
    for (int trial = 0; trial < 40 && !testing::Test::HasFailure(); ++trial) {
        Scene* s = createScene();
        for (int i = 0, n = 2 + static_cast<int>(rng() % 40); i < n; ++i) {
            const auto parent = static_cast<int32_t>(rng() % static_cast<uint32_t>(getEntityCount(s)));
            const bool object = rng() % 2;
            // Unturned entities keep their own boxes axis-aligned, which merges differently.
            const bool turned = rng() % 2;
            const BoundingBox bounds = object ? BoundingBox{{coord(rng) * 0.2f, 0, 0}, {0, 1, 0},
                                                            {0, 0, 0.5f}, {coord(rng), coord(rng), coord(rng)}}
                                              : BoundingBox{};
            const Quaternion r = quaternionFromAxisAngle(turned ? angle(rng) : 0, coord(rng), 1, coord(rng));
            addEntity(s, makeEntity("E", object ? EntityType::OBJECT : EntityType::GROUP,
                                    {coord(rng), coord(rng), coord(rng)}, r, bounds), parent);
        }
        updateTransforms(s);
        expectRecomputed(s);
        for (int turn = 0; turn < 6; ++turn) {
            for (int w = static_cast<int>(rng() % 5); w > 0; --w) {
                const auto i = static_cast<int32_t>(rng() % static_cast<uint32_t>(getEntityCount(s)));
                if (rng() % 3)
                    setEntityPosition(s, i, {coord(rng), coord(rng), coord(rng)});
                else
                    setEntityRotation(s, i, quaternionFromAxisAngle(angle(rng), 0, 1, 1));
            }
            updateTransforms(s);
            expectRecomputed(s);
        }
        freeScene(s);
    }
}

TEST(Transform, UntouchedSubtreesAreSkipped) {
    Scene* s = createScene();
    const int32_t a = addEntity(s, makeEntity("A", EntityType::GROUP, {1, 0, 0}), 0);
    const int32_t leafA = addEntity(s, makeEntity("a", EntityType::OBJECT, {0, 1, 0}, {0, 0, 0, 1}, UNIT_BOX), a);
    const int32_t b = addEntity(s, makeEntity("B", EntityType::GROUP, {-1, 0, 0}), 0);
    const int32_t leafB = addEntity(s, makeEntity("b", EntityType::OBJECT, {0, 0, 3}, {0, 0, 0, 1}, UNIT_BOX), b);
    updateTransforms(s);
    // A marker in a clean subtree survives the update only if that subtree is skipped.
    getEntityNode(s, leafB)->parentWorld.m[3] = 1234;
    setEntityPosition(s, leafA, {0, 2, 0});
    updateTransforms(s);
    EXPECT_FLOAT_EQ(getEntityNode(s, leafB)->parentWorld.m[3], 1234);
    EXPECT_NEAR(getEntityWorldPosition(s, leafA).y, 2, 1e-6f);
    getEntityNode(s, leafA)->parentWorld.m[3] = 4321;
    updateTransforms(s); // nothing changed: nothing recomputed
    EXPECT_FLOAT_EQ(getEntityNode(s, leafA)->parentWorld.m[3], 4321);
    freeScene(s);
}

TEST(Scene, LookupsAreExactFirstMatchAndNeverTheRoot) {
    Scene* s = createScene();
    addEntity(s, makeEntity("Lamp", EntityType::LIGHT), 0);
    Entity box = makeEntity("Box", EntityType::OBJECT);
    box.type = MotionType::SIMULATE; // a list of motions is kept as well, beside the types'
    addEntity(s, box, 0);
    addEntity(s, makeEntity("Lamp", EntityType::LIGHT), 0);
    const std::pair<const char*, int32_t> names[] = {{"Lamp", 1}, {"Box", 2}, {"box", 0}, {"Root Group", 0},
                                                     {"Lamp2345678901234567890", 0}, {"Lamp", 1}}; // now from the name index
    for (const auto& [name, index] : names) EXPECT_EQ(findEntityByName(s, name), index) << name;
    IndexList* lights = findEntitiesByType(s, EntityType::LIGHT);
    ASSERT_NE(lights, nullptr);
    EXPECT_EQ(std::vector<int32_t>(lights->items, lights->items + lights->count),
              (std::vector<int32_t>{1, 3}));
    freeIndexList(lights);
    for (int32_t none : {int32_t{EntityType::CAMERA}, 99, ENTITY_TYPE_COUNT, -1}) {
        EXPECT_EQ(findEntitiesByType(s, none), nullptr) << none;
        EXPECT_EQ(entitiesOfType(s, none).count, 0) << none;
    }
    freeScene(s);
}

TEST(Scene, TheSceneCameraComesFromACameraEntityOnly) {
    Scene* s = createScene();
    const int32_t box = addEntity(s, makeEntity("Box", EntityType::OBJECT, {5, 5, 5}), 0);
    const int32_t g = addEntity(s, makeEntity("G", EntityType::GROUP, {100, 10, 0}), 0);
    const int32_t cam = addEntity(s, makeEntity("Cam", EntityType::CAMERA, {0, 2, 10}), g);
    for (int32_t e : {box, 0, 99}) setSceneCamera(s, e); // not cameras: no camera entity
    turnCamera(&s->camera, 10, 20, 0);
    EXPECT_EQ(s->cameraEntity, 0);
    setSceneCamera(s, cam); // the entity's own position, relative to its parent, and all angles reset
    expectNumbers({{float(s->cameraEntity), float(cam)}, {s->camera.position.x, 0}, {s->camera.position.z, 10},
                   {s->camera.yaw, 0}, {s->camera.pitch, 0}});
    freeScene(s);
}
