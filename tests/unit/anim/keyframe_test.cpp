// Keyframe tracks: key order, looping and folding of the time, interpolation of positions,
// rotations and materials, and which entities the animation step writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "anim/keyframe.h"
#include "scene/scene.h"
#include "test_data.h"

namespace {

// Each key's x carries an id (its order of adding), or its time, so keys can be told apart.
using Track = std::unique_ptr<Keyframer, decltype(&freeKeyframer)>;
Track positionTrack(const std::vector<float>& times, bool idsAreTimes = false) {
    Track k(createKeyframer(KeyframeType::POSITION), freeKeyframer);
    for (size_t i = 0; i < times.size(); ++i)
        addPositionKey(k.get(), {idsAreTimes ? times[i] : static_cast<float>(i + 1), 0, 0},
                       times[i]);
    return k;
}

// Each colour channel a different multiple of the level, from 1/16 to 16/16 of it.
Material material(float level, float shininess, int32_t textureId, const char* name) {
    Material m{};
    std::snprintf(m.name, NAME_SIZE, "%s", name);
    for (float n = 0; Colour* c : {&m.ambient, &m.diffuse, &m.emission, &m.specular})
        *c = {level * ++n / 16, level * ++n / 16, level * ++n / 16, level * ++n / 16};
    m.shininess = shininess, m.textureId = textureId;
    return m;
}

} // namespace

TEST(Keyframer, KeysAreChainedInTimeOrderAndTheTrackLoopsAndFolds) {
    // A key at a time already taken goes before the keys of its own time.
    const std::pair<std::vector<float>, std::vector<float>> orders[] = {
        {{4, 0, 2}, {2, 3, 1}}, {{0, 2, 4, 6, 3}, {1, 2, 5, 3, 4}}, {{2, 4, 6, 1}, {4, 1, 2, 3}},
        {{-1, 3, -2}, {3, 1, 2}}, {{0, 5, 5}, {1, 3, 2}}, {{0, 2, 4, 2}, {1, 4, 2, 3}}};
    for (const auto& [added, chained] : orders) {
        const Track k = positionTrack(added);
        std::vector<float> ids;
        for (const Keyframe* key = k->keys; key; key = key->next) ids.push_back(key->value.position.x);
        EXPECT_EQ(ids, chained);
        EXPECT_EQ(k->firstTime, *std::min_element(added.begin(), added.end()));
        EXPECT_EQ(k->lastTime, *std::max_element(added.begin(), added.end()));
    }
    const float inf = std::numeric_limits<float>::infinity();
    const struct { std::vector<float> times; float t, x; } cases[] = {
        {{0, 4}, 1, 1}, {{0, 4}, 4, 4}, {{0, 4}, 5, 1}, {{0, 4}, 8, 0}, {{0, 4}, 9.5f, 1.5f},
        {{0, 4}, -1, 0},                 // before the track: its start
        {{2, 6}, 1, 2}, {{2, 6}, 7, 3}, {{2, 6}, 9, 2}, // folds to 1, before the first key
        {{5}, 100, 5}, {{5, 5}, -3, 5}, {{5, 5}, inf, 5}, // no span: the first key at every time
        {{0, 2, 4, 2}, 2, 2}, {{0, 2, 4, 2}, 3, 3},     // equal times meet the first key there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys from " << c.times[0] << " t " << c.t);
        expectFloat3(evaluatePosition(positionTrack(c.times, true).get(), c.t), {c.x, 0, 0});
    }
    EXPECT_TRUE(std::isfinite(evaluatePosition(positionTrack({0, 4}).get(), NAN).x));
}

TEST(Keyframer, MaterialsLerpEveryChannelAndTexturesStepThroughIndices) {
    const Material a = material(1, 10, 1, "first"), b = material(0, 30, 3, "second");
    const Material got = lerpMaterial(a, b, 0.25f), want = material(0.75f, 15, 0, ""); // 3/4 of a's
    for (Colour Material::*c : {&Material::ambient, &Material::diffuse, &Material::emission, &Material::specular})
        for (float Colour::*x : {&Colour::r, &Colour::g, &Colour::b, &Colour::a}) EXPECT_FLOAT_EQ(got.*c.*x, want.*c.*x);
    EXPECT_EQ(std::tuple(got.shininess, std::string(got.name)), std::tuple(15.0f, "first"));
    for (const auto& [t, texture] : {std::pair{0.0f, 3}, {0.25f, 2}, {0.5f, 2}, {1.0f, 1}})
        EXPECT_EQ(lerpMaterial(b, a, t).textureId, texture) << t; // 2.5 truncates to 2
}

TEST(Keyframer, OnlyAnimateEntitiesAreWrittenAndTheLaterTrackWins) {
    Scene* scene = createScene();
    KeyframerList* list = createList<Keyframer>();
    auto add = [&](int32_t motionType) {
        Entity e{};
        e.entityType = EntityType::OBJECT, e.type = motionType, e.position = {9, 9, 9}, e.rotation = {0, 0, 0, 1};
        return addEntity(scene, e, 0);
    };
    auto bind = [&](Keyframer* k, int32_t entity) { k->entity = entity, appendPointer(list, k); };
    const int32_t animated = add(MotionType::ANIMATE), fixed = add(MotionType::STATIC),
                  simulated = add(MotionType::SIMULATE), idle = add(MotionType::ANIMATE);
    for (int32_t e : {animated, fixed, simulated, 99, -1}) bind(positionTrack({0, 2}).release(), e);
    bind(positionTrack({0, 2}, true).release(), animated); // the same kind again, later
    bind(createKeyframer(KeyframeType::POSITION), idle);
    Keyframer* turn = createKeyframer(KeyframeType::ROTATION);
    addRotationKey(turn, {0, 0, 0, 1}, 0);
    addRotationKey(turn, {0, 1, 0, 0}, 2);
    addPositionKey(turn, {1, 1, 1}, 1); // a key of another type changes nothing
    bind(turn, animated);
    Keyframer* fade = createKeyframer(KeyframeType::MATERIAL);
    addMaterialKey(fade, material(1, 0, 0, "red"), 0);
    addMaterialKey(fade, material(0, 0, 0, "black"), 2);
    bind(fade, animated);
    animateScene(list, scene, 3.5f); // folds to 1.5
    expectFloat3(getEntityPosition(scene, animated), {1.5f, 0, 0});
    EXPECT_NEAR(getEntityRotation(scene, animated).y, 0.75f, 1e-6f); // lerped, not normalised
    EXPECT_FLOAT_EQ(scene->entities->items[animated].material.specular.a, 0.25f); // the last channel: the level
    for (int32_t e : {fixed, simulated, idle}) expectFloat3(getEntityPosition(scene, e), {9, 9, 9});
    updateTransforms(scene); // the animated placement reaches the world transform
    expectFloat3(getEntityWorldPosition(scene, animated), {1.5f, 0, 0});
    freeKeyframers(list), freeScene(scene);
}
