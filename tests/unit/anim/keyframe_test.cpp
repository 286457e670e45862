// Keyframe tracks as a scene author sees them: key order, looping and folding of the time,
// interpolation of positions, rotations and materials, and which entities the step writes.
#include <gtest/gtest.h>

#include "test_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "anim/keyframe.h"
#include "scene/scene.h"

namespace {

// Each key's x carries an id so keys at equal times can be told apart.
Keyframer* positionTrack(const std::vector<float>& times) {
    Keyframer* k = createKeyframer(KeyframeType::POSITION);
    for (size_t i = 0; i < times.size(); ++i)
        addPositionKey(k, {static_cast<float>(i + 1), 0, 0}, times[i]);
    return k;
}

std::vector<float> chainTimes(const Keyframer* k) {
    std::vector<float> times;
    for (const Keyframe* key = k->keys; key; key = key->next) times.push_back(key->time);
    return times;
}

std::vector<float> chainIds(const Keyframer* k) {
    std::vector<float> ids;
    for (const Keyframe* key = k->keys; key; key = key->next) ids.push_back(key->value.position.x);
    return ids;
}

Material material(float red, float shininess, int32_t textureId, const char* name) {
    Material m{};
    std::strncpy(m.name, name, NAME_SIZE - 1);
    m.ambient = {red, 0, 0, 1};
    m.diffuse = {red, 0.5f, 0, 1};
    m.emission = {0, 0, red, 1};
    m.specular = {1, 1, 1, red};
    m.shininess = shininess;
    m.textureId = textureId;
    return m;
}

} // namespace

TEST(KeyframerTest, KeysAreChainedInTimeOrderWhateverTheOrderAdded) {
    // Keys are numbered 1, 2, ... in the order added. A key at a time already taken goes after
    // the first key whose time it follows: before the keys of its own time.
    struct Case {
        std::vector<float> added;
        std::vector<float> chainedIds;
    };
    const Case cases[] = {
        {{4, 0, 2}, {2, 3, 1}},       {{0, 2, 4, 6, 3}, {1, 2, 5, 3, 4}},
        {{2, 4, 6, 1}, {4, 1, 2, 3}}, {{-1, 3, -2}, {3, 1, 2}},
        {{0, 5, 5}, {1, 3, 2}},       {{5, 5}, {1, 2}},
        {{0, 2, 4, 2}, {1, 4, 2, 3}},
    };
    for (const Case& c : cases) {
        Keyframer* k = positionTrack(c.added);
        EXPECT_EQ(chainIds(k), c.chainedIds);
        EXPECT_EQ(k->keyCount, static_cast<int32_t>(c.added.size()));
        EXPECT_EQ(k->firstTime, *std::min_element(c.added.begin(), c.added.end()));
        EXPECT_EQ(k->lastTime, *std::max_element(c.added.begin(), c.added.end()));
    }
}

TEST(KeyframerTest, KeyOfAnotherTypeLeavesTheKeyframerUnchanged) {
    Keyframer* k = positionTrack({0, 2});
    addRotationKey(k, {0, 0, 0, 1}, 1);
    addMaterialKey(k, material(1, 1, 1, "m"), 3);
    EXPECT_EQ(k->keyCount, 2);
    EXPECT_EQ(chainTimes(k), (std::vector<float>{0, 2}));
    EXPECT_EQ(k->lastTime, 2.0f);

    Keyframer* empty = createKeyframer(KeyframeType::MATERIAL);
    addPositionKey(empty, {1, 1, 1}, 0);
    EXPECT_EQ(empty->keyCount, 0);
    EXPECT_EQ(empty->keys, nullptr);
}

TEST(KeyframerTest, PositionTrackLoopsAndFolds) {
    struct Case {
        float first, last, t, expectedX;
    };
    // Keys carry x equal to their time, so the x shows the time that was evaluated.
    const Case cases[] = {
        {0, 4, 1, 1}, {0, 4, 4, 4},       {0, 4, 5, 1},
        {0, 4, 8, 0}, {0, 4, 9.5f, 1.5f}, {0, 4, -1, 0}, // before the track: its start
        {2, 6, 1, 2},                                    // before the first key
        {2, 6, 7, 3},                                    // folds into the span
        {2, 6, 9, 2},                                    // folds to 1, before the first key
        {2, 6, 4, 4},
    };
    for (const Case& c : cases) {
        Keyframer* k = createKeyframer(KeyframeType::POSITION);
        addPositionKey(k, {c.first, 0, 0}, c.first);
        addPositionKey(k, {c.last, 0, 0}, c.last);
        SCOPED_TRACE(testing::Message() << "keys " << c.first << ".." << c.last << " t " << c.t);
        expectFloat3(evaluatePosition(k, c.t), {c.expectedX, 0, 0});
    }
}

TEST(KeyframerTest, DegenerateTracksAndTimesGiveAKeyValue) {
    // A track without a span gives its first key at every time; a non-finite time gives a key.
    Keyframer* single = positionTrack({5});
    Keyframer* sameTime = positionTrack({5, 5});
    Keyframer* normal = positionTrack({0, 4});
    const float inf = std::numeric_limits<float>::infinity();
    for (float t : {0.0f, 5.0f, 4.0f, 6.0f, 100.0f, -3.0f, inf, -inf}) {
        expectFloat3(evaluatePosition(single, t), {1, 0, 0});
        expectFloat3(evaluatePosition(sameTime, t), {1, 0, 0});
    }
    for (float t : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
        EXPECT_TRUE(std::isfinite(evaluatePosition(normal, t).x)) << t;
    }
}

TEST(KeyframerTest, EqualTimesMeetTheFirstKeyAtThatTime) {
    Keyframer* k = createKeyframer(KeyframeType::POSITION);
    addPositionKey(k, {0, 0, 0}, 0);
    addPositionKey(k, {2, 0, 0}, 2);
    addPositionKey(k, {4, 0, 0}, 4);
    addPositionKey(k, {7, 0, 0}, 2); // chained before the earlier key at 2
    const KeyPair pair = findKeyPair(k, 2);
    EXPECT_EQ(pair.p, k->keys);
    EXPECT_EQ(pair.q, k->keys->next);
    EXPECT_FLOAT_EQ(pair.f, 1);
    expectFloat3(evaluatePosition(k, 2), {7, 0, 0});
    // Past the pair of equal keys the later one in the chain leads.
    expectFloat3(evaluatePosition(k, 3), {3, 0, 0});
}

TEST(KeyframerTest, RotationIsLerpedWithoutNormalising) {
    Keyframer* k = createKeyframer(KeyframeType::ROTATION);
    addRotationKey(k, {0, 0, 0, 1}, 0);
    addRotationKey(k, {0, 1, 0, 0}, 2);
    expectQuaternion(evaluateRotation(k, 1), {0, 0.5f, 0, 0.5f});
}

TEST(KeyframerTest, MaterialFadesAndTextureStepsThroughIndices) {
    const Material a = material(1, 10, 1, "first");
    const Material b = material(0, 30, 3, "second");
    const Material half = lerpMaterial(a, b, 0.5f);
    expectNumbers({{half.ambient.r, 0.5f},
                   {half.diffuse.r, 0.5f},
                   {half.diffuse.g, 0.5f},
                   {half.emission.b, 0.5f},
                   {half.specular.a, 0.5f},
                   {half.shininess, 20}});
    EXPECT_EQ(half.textureId, 2);
    EXPECT_STREQ(half.name, "first");

    // 3 to 1 at a quarter: 2.5, truncated toward zero.
    EXPECT_EQ(lerpMaterial(b, a, 0.25f).textureId, 2);
    EXPECT_EQ(lerpMaterial(b, a, 0.0f).textureId, 3);
    EXPECT_EQ(lerpMaterial(b, a, 1.0f).textureId, 1);

    Keyframer* k = createKeyframer(KeyframeType::MATERIAL);
    addMaterialKey(k, b, 4);
    addMaterialKey(k, a, 0);
    const Material at1 = evaluateMaterial(k, 1); // f = 0.25 from a (texture 1) to b (texture 3)
    EXPECT_EQ(at1.textureId, 1);
    EXPECT_FLOAT_EQ(at1.ambient.r, 0.75f);
    EXPECT_FLOAT_EQ(at1.shininess, 15);
    EXPECT_EQ(evaluateMaterial(k, 2).textureId, 2);
    EXPECT_EQ(evaluateMaterial(k, 6).textureId, 2); // folds to 2
}

namespace {

struct AnimatedScene {
    Scene* scene;
    KeyframerList* keyframers;
};

int32_t addBody(Scene* scene, int32_t motionType, Float3 position) {
    Entity e{};
    std::strncpy(e.name, "body", NAME_SIZE - 1);
    e.entityType = EntityType::OBJECT;
    e.type = motionType;
    e.position = position;
    e.rotation = {0, 0, 0, 1};
    e.visible = 1;
    return addEntity(scene, e, 0);
}

Keyframer* bindPositionTrack(KeyframerList* list, int32_t entity, Float3 from, Float3 to) {
    Keyframer* k = createKeyframer(KeyframeType::POSITION);
    addPositionKey(k, from, 0);
    addPositionKey(k, to, 2);
    k->entity = entity;
    appendPointer(list, k);
    return k;
}

} // namespace

TEST(AnimateSceneTest, OnlyAnimateEntitiesAreWrittenAndTheLaterTrackWins) {
    Scene* scene = createScene();
    KeyframerList* list = createList<Keyframer>();
    const int32_t animated = addBody(scene, MotionType::ANIMATE, {9, 9, 9});
    const int32_t fixed = addBody(scene, MotionType::STATIC, {9, 9, 9});
    const int32_t simulated = addBody(scene, MotionType::SIMULATE, {9, 9, 9});
    const int32_t idle = addBody(scene, MotionType::ANIMATE, {7, 7, 7});
    for (int32_t e : {animated, fixed, simulated}) bindPositionTrack(list, e, {0, 0, 0}, {2, 4, 6});
    bindPositionTrack(list, animated, {0, 0, 0}, {0, 0, 2}); // the same kind again, later
    Keyframer* empty = createKeyframer(KeyframeType::POSITION);
    empty->entity = idle;
    appendPointer(list, empty);
    bindPositionTrack(list, 99, {0, 0, 0}, {1, 1, 1}); // entities that do not exist
    bindPositionTrack(list, -1, {0, 0, 0}, {1, 1, 1});

    animateScene(list, scene, 1);
    expectFloat3(getEntityPosition(scene, animated), {0, 0, 1});
    expectFloat3(getEntityPosition(scene, fixed), {9, 9, 9});
    expectFloat3(getEntityPosition(scene, simulated), {9, 9, 9});
    expectFloat3(getEntityPosition(scene, idle), {7, 7, 7});
    EXPECT_EQ(getEntityCount(scene), 5);
}

TEST(AnimateSceneTest, PositionRotationAndMaterialTracksAllApply) {
    Scene* scene = createScene();
    KeyframerList* list = createList<Keyframer>();
    const int32_t e = addBody(scene, MotionType::ANIMATE, {0, 0, 0});
    bindPositionTrack(list, e, {0, 0, 0}, {2, 0, 0});
    Keyframer* turn = createKeyframer(KeyframeType::ROTATION);
    addRotationKey(turn, {0, 0, 0, 1}, 0);
    addRotationKey(turn, {0, 1, 0, 0}, 2);
    turn->entity = e;
    appendPointer(list, turn);
    Keyframer* fade = createKeyframer(KeyframeType::MATERIAL);
    addMaterialKey(fade, material(1, 0, 0, "red"), 0);
    addMaterialKey(fade, material(0, 0, 0, "black"), 2);
    fade->entity = e;
    appendPointer(list, fade);

    animateScene(list, scene, 1.5f);
    expectFloat3(getEntityPosition(scene, e), {1.5f, 0, 0});
    expectQuaternion(getEntityRotation(scene, e), {0, 0.75f, 0, 0.25f});
    const Material m = scene->entities->items[e].material;
    EXPECT_FLOAT_EQ(m.ambient.r, 0.25f);
    EXPECT_STREQ(m.name, "red");

    // The animated placement reaches the world transform.
    updateTransforms(scene);
    expectFloat3(getEntityWorldPosition(scene, e), {1.5f, 0, 0});
}

TEST(AnimateSceneTest, AnimationDependsOnlyOnTheTimeGiven) {
    Scene* scene = createScene();
    KeyframerList* list = createList<Keyframer>();
    const int32_t e = addBody(scene, MotionType::ANIMATE, {0, 0, 0});
    bindPositionTrack(list, e, {0, 0, 0}, {2, 0, 0});
    animateScene(list, scene, 1.5f);
    animateScene(list, scene, 0.5f); // time running backwards runs the track backwards
    expectFloat3(getEntityPosition(scene, e), {0.5f, 0, 0});
    animateScene(list, scene, 3.0f); // the track loops: 3 folds to 1
    expectFloat3(getEntityPosition(scene, e), {1, 0, 0});
}
