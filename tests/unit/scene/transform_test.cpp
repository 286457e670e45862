// The transform update: world matrices, positions and boxes after any sequence of writes equal
// a full recomputation, while untouched subtrees are skipped.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "scene/scene.h"

namespace {
Entity makeEntity(int32_t entityType, Float3 position, Quaternion rotation,
                  BoundingBox bounds = {}) {
    Entity e{};
    std::strncpy(e.name, "E", NAME_SIZE - 1);
    e.entityType = entityType;
    e.type = MotionType::STATIC;
    e.position = position;
    e.rotation = rotation;
    e.bounds = bounds;
    e.visible = 1;
    return e;
}

BoundingBox unitBox() {
    return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
}

// Brute force: world matrices from the entity fields alone, boxes merged bottom-up.
struct Reference {
    std::vector<Matrix44> world;
    std::vector<Matrix44> parentWorld;
    std::vector<BoundingBox> box;
};

Matrix44 localOf(const Entity& e) {
    return multiplyMatrices(translationMatrix(e.position.x, e.position.y, e.position.z),
                            matrixFromQuaternion(e.rotation));
}

void referenceNode(const Scene* s, const SceneNode* node, Matrix44 parentWorld, Reference* r) {
    const Entity& e = s->entities->items[node->entityIndex];
    const Matrix44 world = multiplyMatrices(parentWorld, localOf(e));
    r->parentWorld[node->entityIndex] = parentWorld;
    r->world[node->entityIndex] = world;
    BoundingBox b = transformBox(e.bounds, world);
    if (!node->firstChild) b = mergeBoxes(b, b);
    for (const SceneNode* c = node->firstChild; c; c = c->nextSibling) {
        referenceNode(s, c, world, r);
        b = mergeBoxes(b, r->box[c->entityIndex]);
    }
    r->box[node->entityIndex] = b;
}

Reference reference(const Scene* s) {
    Reference r;
    const size_t n = static_cast<size_t>(s->entities->count);
    r.world.resize(n);
    r.parentWorld.resize(n);
    r.box.resize(n);
    referenceNode(s, s->nodeTree->root, identityMatrix(), &r);
    return r;
}

void expectMatches(const Scene* s, const Reference& r) {
    for (int32_t i = 0; i < s->entities->count; ++i) {
        const Matrix44 w = getEntityWorldMatrix(s, i);
        for (int k = 0; k < 16; ++k) ASSERT_NEAR(w.m[k], r.world[i].m[k], 1e-3f) << "entity " << i;
        const Float3 p = getEntityWorldPosition(s, i);
        const Float3 q = transformPoint(r.parentWorld[i], s->entities->items[i].position);
        ASSERT_NEAR(p.x, q.x, 1e-3f);
        ASSERT_NEAR(p.y, q.y, 1e-3f);
        ASSERT_NEAR(p.z, q.z, 1e-3f);
        // The same matrices merged in the same order: the boxes agree bit for bit.
        const BoundingBox a = getEntityNode(s, i)->worldBounds, b = r.box[i];
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "entity " << i;
    }
}
} // namespace

TEST(Transform, ObjectBoxAndRootBoxIncludingTheOrigin) {
    Scene* s = createScene();
    addEntity(s, makeEntity(EntityType::OBJECT, {5, 0, 0}, {0, 0, 0, 1}, unitBox()), 0);
    updateTransforms(s);
    const BoundingBox obj = getEntityNode(s, 1)->worldBounds;
    EXPECT_FLOAT_EQ(obj.centre.x - obj.axis0.x, 4);
    EXPECT_FLOAT_EQ(obj.centre.x + obj.axis0.x, 6);
    const BoundingBox root = s->nodeTree->root->worldBounds;
    EXPECT_FLOAT_EQ(root.centre.x - root.axis0.x, 0);
    EXPECT_FLOAT_EQ(root.centre.x + root.axis0.x, 6);
    EXPECT_FLOAT_EQ(root.centre.y - root.axis1.y, -1);
    EXPECT_FLOAT_EQ(root.centre.z + root.axis2.z, 1);
}

TEST(Transform, UntouchedSubtreesAreSkipped) {
    Scene* s = createScene();
    const int32_t a = addEntity(s, makeEntity(EntityType::GROUP, {1, 0, 0}, {0, 0, 0, 1}), 0);
    const int32_t leafA =
        addEntity(s, makeEntity(EntityType::OBJECT, {0, 1, 0}, {0, 0, 0, 1}, unitBox()), a);
    const int32_t b = addEntity(s, makeEntity(EntityType::GROUP, {-1, 0, 0}, {0, 0, 0, 1}), 0);
    const int32_t leafB =
        addEntity(s, makeEntity(EntityType::OBJECT, {0, 0, 3}, {0, 0, 0, 1}, unitBox()), b);
    updateTransforms(s);
    for (int32_t i = 0; i < getEntityCount(s); ++i) EXPECT_EQ(getEntityNode(s, i)->dirty, 0);

    // A marker in a clean subtree survives the update only if that subtree is skipped.
    getEntityNode(s, leafB)->parentWorld.m[3] = 1234;
    setEntityPosition(s, leafA, {0, 2, 0});
    EXPECT_EQ(getEntityNode(s, b)->dirty, 0);
    updateTransforms(s);
    EXPECT_FLOAT_EQ(getEntityNode(s, leafB)->parentWorld.m[3], 1234);
    EXPECT_NEAR(getEntityWorldPosition(s, leafA).y, 2, 1e-6f);

    // A second update with nothing changed recomputes nothing.
    getEntityNode(s, leafA)->parentWorld.m[3] = 4321;
    updateTransforms(s);
    EXPECT_FLOAT_EQ(getEntityNode(s, leafA)->parentWorld.m[3], 4321);
}

TEST(Transform, LeafMovedThenParentRotatedInTheSameTurn) {
    Scene* s = createScene();
    const int32_t p = addEntity(s, makeEntity(EntityType::GROUP, {0, 0, 0}, {0, 0, 0, 1}), 0);
    const int32_t moved =
        addEntity(s, makeEntity(EntityType::OBJECT, {1, 0, 0}, {0, 0, 0, 1}, unitBox()), p);
    const int32_t sibling =
        addEntity(s, makeEntity(EntityType::OBJECT, {0, 0, 4}, {0, 0, 0, 1}, unitBox()), p);
    updateTransforms(s);
    setEntityPosition(s, moved, {2, 0, 0});
    setEntityRotation(s, p, quaternionFromAxisAngle(90, 0, 1, 0));
    updateTransforms(s);
    // The sibling was not written, yet its parent turned: it must follow.
    const Float3 w = getEntityWorldPosition(s, sibling);
    EXPECT_NEAR(w.x, 4, 1e-3f);
    EXPECT_NEAR(w.z, 0, 1e-3f);
    expectMatches(s, reference(s));
}

TEST(Transform, RandomTreesAndWritesMatchAFullRecomputation) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> coord(-5, 5), angle(-180, 180);
    for (int trial = 0; trial < 40; ++trial) {
        Scene* s = createScene();
        const int n = 2 + static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            const int32_t parent =
                static_cast<int32_t>(rng() % static_cast<uint32_t>(getEntityCount(s)));
            const bool object = rng() % 2;
            // Unturned entities keep their own boxes axis-aligned, which merges differently.
            const bool turned = rng() % 2;
            BoundingBox bounds = object ? BoundingBox{{coord(rng) * 0.2f, 0, 0},
                                                      {0, 1, 0},
                                                      {0, 0, 0.5f},
                                                      {coord(rng), coord(rng), coord(rng)}}
                                        : BoundingBox{};
            addEntity(s,
                      makeEntity(object ? EntityType::OBJECT : EntityType::GROUP,
                                 {coord(rng), coord(rng), coord(rng)},
                                 turned ? quaternionFromAxisAngle(angle(rng), coord(rng),
                                                                  coord(rng), coord(rng))
                                        : quaternionFromAxisAngle(0, 0, 1, 0),
                                 bounds),
                      parent);
        }
        updateTransforms(s);
        expectMatches(s, reference(s));
        for (int turn = 0; turn < 6; ++turn) {
            const int writes = static_cast<int>(rng() % 5);
            for (int w = 0; w < writes; ++w) {
                const int32_t i =
                    static_cast<int32_t>(rng() % static_cast<uint32_t>(getEntityCount(s)));
                if (rng() % 3)
                    setEntityPosition(s, i, {coord(rng), coord(rng), coord(rng)});
                else
                    setEntityRotation(s, i, quaternionFromAxisAngle(angle(rng), 0, 1, 1));
            }
            updateTransforms(s);
            expectMatches(s, reference(s));
        }
    }
}
