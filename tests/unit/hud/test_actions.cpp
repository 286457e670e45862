// HUD set-up, the action table, button binding and the seven actions run over simulated turns.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "hud_test_support.h"
#include "scene/node.h"
#include "sim/particles.h"

namespace {

TEST(ActionTable, HoldsTheSevenActionsInOrderFoundByExactName) {
    ActionTable* table = createActionTable();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->count, 7);
    const struct {
        const char* name;
        ActionHandler handler;
    } expected[] = {
        {"ENTITYMOVE", actionEntityMove},
        {"ENTITYROTATE", actionEntityRotate},
        {"PARTICLESYSTEMSTATE", actionParticleSystemState},
        {"TIMERATE", actionTimeRate},
        {"DRAWBOUNDINGS", actionDrawBoundings},
        {"ANIMATIONSTART", actionNone},
        {"ANIMATIONEND", actionNone},
    };
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(table->entries[i].name, expected[i].name);
        EXPECT_EQ(table->entries[i].handler, expected[i].handler) << expected[i].name;
        EXPECT_EQ(findAction(table, expected[i].name), expected[i].handler) << expected[i].name;
    }
    // Lookup is by whole word and case-sensitive.
    for (const char* name : {"entitymove", "ENTITY", "ENTITYMOVEX", "", "None", "TIMERATE "}) {
        EXPECT_EQ(findAction(table, name), nullptr) << "'" << name << "'";
    }
    EXPECT_EQ(findAction(nullptr, "ENTITYMOVE"), nullptr);
    ActionTable empty{};
    EXPECT_EQ(findAction(&empty, "ENTITYMOVE"), nullptr);
}

TEST(ResolveButtons, BindsActionsAndLinkedEntities) {
    HudWorld w;
    addEntity(w.scene, makeEntity("Box", EntityType::OBJECT), 0);
    int32_t lamp = addEntity(w.scene, makeEntity("Lamp", EntityType::LIGHT), 0);
    addBackground(&w.hud, makeBackground(-1, -1, 1, 1));
    addButton(&w.hud, makeButton(0, 0, 1, 1, "ENTITYROTATE", "Lamp"));
    addButton(&w.hud, makeButton(0, 0, 1, 1, "TIMERATE", "Nothing"));
    addButton(&w.hud, makeButton(0, 0, 1, 1, "FLY", "Box"));
    w.hud.buttons[1].actionValues[0] = 42.0f; // the file's first value never survives
    // A name field filled to the last byte must not be read past.
    std::memset(w.hud.buttons[2].actionName, 'X', NAME_SIZE);
    resolveButtons(&w.hud);

    ASSERT_EQ(w.hud.buttonCount, 3);
    EXPECT_EQ(w.hud.backgroundCount, 1);
    EXPECT_EQ(w.hud.buttons[0].action, actionEntityRotate);
    EXPECT_EQ(w.hud.buttons[0].actionValues[0], static_cast<float>(lamp));
    EXPECT_EQ(w.hud.buttons[1].action, actionTimeRate);
    EXPECT_EQ(w.hud.buttons[1].actionValues[0], 0.0f);
    EXPECT_EQ(w.hud.buttons[2].action, nullptr);
    EXPECT_EQ(w.hud.buttons[2].actionValues[0], 1.0f);
}

// Runs the handler once per turn of turnMs, for turns turns, as processInput would.
void holdAction(HudWorld& w, ActionHandler handler, float* values, int turns, uint32_t turnMs) {
    for (int i = 0; i < turns; ++i) {
        w.tick(turnMs);
        handler(values, &w.hud);
    }
}

TEST(ActionEntityMove, MovesAlongYAtTheSimulationRate) {
    const struct {
        float rate;
        float expectedY;
    } cases[] = {{1.0f, 2.0f}, {0.0f, 0.0f}, {-1.0f, -2.0f}, {0.5f, 1.0f}};
    for (const auto& c : cases) {
        HudWorld w;
        int32_t box = addEntity(w.scene, makeEntity("Box", EntityType::OBJECT), 0);
        setTimeRate(w.clock, c.rate);
        float values[5] = {static_cast<float>(box), 0.0f, 2.0f, 0.0f, 9.0f};
        holdAction(w, actionEntityMove, values, 100, 10); // one second of application time
        Float3 p = getEntityPosition(w.scene, box);
        EXPECT_NEAR(p.x, 0.0f, 1e-6) << "rate " << c.rate;
        EXPECT_NEAR(p.y, c.expectedY, 1e-4) << "rate " << c.rate;
        EXPECT_NEAR(p.z, 0.0f, 1e-6) << "rate " << c.rate;
    }
}

TEST(ActionEntityRotate, TurnsHalfATurnInTwoSeconds) {
    HudWorld w;
    int32_t box = addEntity(w.scene, makeEntity("Box", EntityType::OBJECT), 0);
    float values[5] = {static_cast<float>(box), 90.0f, 0.0f, 1.0f, 0.0f};
    holdAction(w, actionEntityRotate, values, 200, 10);
    expectQuaternion(getEntityRotation(w.scene, box), quaternionFromAxisAngle(180, 0, 1, 0), 1e-3f);
}

TEST(ActionEntityRotate, StepTurnsAboutTheEntitysOwnAxis) {
    // Already turned 90 degrees about y, a step about its own x axis must come out on the right
    // of the product: r * q, not q * r.
    HudWorld w;
    Entity e = makeEntity("Turned", EntityType::OBJECT);
    Quaternion r = quaternionFromAxisAngle(90.0f, 0.0f, 1.0f, 0.0f);
    e.rotation = r;
    int32_t turned = addEntity(w.scene, e, 0);
    float values[5] = {static_cast<float>(turned), 30.0f, 1.0f, 0.0f, 0.0f};
    holdAction(w, actionEntityRotate, values, 1, 1000);
    Quaternion step =
        quaternionFromAxisAngle(static_cast<float>(30.0 * getSimDelta(w.clock)), 1.0f, 0.0f, 0.0f);
    Quaternion expected = multiplyQuaternions(r, step);
    Quaternion wrongOrder = multiplyQuaternions(step, r);
    expectQuaternion(getEntityRotation(w.scene, turned), expected, 1e-6f);
    EXPECT_GT(std::fabs(expected.z - wrongOrder.z), 0.1f); // the two orders do differ
}

TEST(EntityActions, IndexOutsideTheEntityListDoesNothing) {
    HudWorld w;
    int32_t box = addEntity(w.scene, makeEntity("Box", EntityType::OBJECT), 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float index : {2.0f, 1000.0f, -1.0f, -7.5f, 3e9f, nan, inf}) {
        float values[5] = {index, 1.0f, 1.0f, 1.0f, 1.0f};
        holdAction(w, actionEntityMove, values, 3, 10);
        holdAction(w, actionEntityRotate, values, 3, 10);
        holdAction(w, actionParticleSystemState, values, 3, 10);
    }
    expectFloat3(getEntityPosition(w.scene, box), {0, 0, 0}, 0);
    expectQuaternion(getEntityRotation(w.scene, box), {0, 0, 0, 1}, 0);
    // Truncation toward zero: 1.9 names entity 1.
    float values[5] = {1.9f, 0.0f, 0.0f, 5.0f, 0.0f};
    holdAction(w, actionEntityMove, values, 1, 1000);
    EXPECT_NEAR(getEntityPosition(w.scene, box).z, 5.0f, 1e-3);
}

TEST(ActionParticleSystemState, FlipsOffOnEveryTurn) {
    HudWorld w;
    ParticleSystem* smoke = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                                 BlendType::SATURATE, 1.0f, 10.0f, 1.0f);
    ParticleSystem* sparks = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                                  BlendType::SATURATE, 1.0f, 10.0f, 1.0f);
    addParticleSystem(&w.resources, smoke);
    int32_t sparksIndex = addParticleSystem(&w.resources, sparks);
    int32_t emitter =
        addEntity(w.scene, makeEntity("Emitter", EntityType::PARTICLE, sparksIndex), 0);
    setParticleSystemOff(sparks, 0);
    setParticleSystemOff(smoke, 0);

    float values[5] = {static_cast<float>(emitter), 0, 0, 0, 0};
    holdAction(w, actionParticleSystemState, values, 1, 10);
    EXPECT_EQ(sparks->off, 1);
    holdAction(w, actionParticleSystemState, values, 1, 10);
    EXPECT_EQ(sparks->off, 0);
    holdAction(w, actionParticleSystemState, values, 6, 10);
    EXPECT_EQ(sparks->off, 0);
    holdAction(w, actionParticleSystemState, values, 7, 10);
    EXPECT_EQ(sparks->off, 1);
    EXPECT_EQ(smoke->off, 0);
}

TEST(ActionParticleSystemState, EntityWithoutASystemIsLeftAlone) {
    HudWorld w;
    ParticleSystem* only = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                                BlendType::SATURATE, 1.0f, 10.0f, 1.0f);
    addParticleSystem(&w.resources, only);
    setParticleSystemOff(only, 0);
    int32_t dangling = addEntity(w.scene, makeEntity("Dangling", EntityType::PARTICLE, 3), 0);
    int32_t negative = addEntity(w.scene, makeEntity("Negative", EntityType::PARTICLE, -1), 0);
    for (int32_t e : {dangling, negative}) {
        float values[5] = {static_cast<float>(e), 0, 0, 0, 0};
        holdAction(w, actionParticleSystemState, values, 3, 10);
    }
    EXPECT_EQ(only->off, 0);

    // With no systems at all, not even link 0 names one.
    HudWorld empty;
    int32_t e = addEntity(empty.scene, makeEntity("Lonely", EntityType::PARTICLE, 0), 0);
    float values[5] = {static_cast<float>(e), 0, 0, 0, 0};
    holdAction(empty, actionParticleSystemState, values, 3, 10);
}

TEST(ActionTimeRate, ChangesRatePerSecondOfApplicationTime) {
    HudWorld w;
    float values[5] = {0.0f, 0.5f, 0, 0, 0};
    holdAction(w, actionTimeRate, values, 200, 10); // two seconds
    EXPECT_NEAR(w.clock->timeRate, 2.0f, 1e-4);

    // The same two seconds in a few long turns.
    HudWorld slow;
    holdAction(slow, actionTimeRate, values, 4, 500);
    EXPECT_NEAR(slow.clock->timeRate, 2.0f, 1e-4);

    float down[5] = {0.0f, -1.0f, 0, 0, 0};
    holdAction(w, actionTimeRate, down, 50, 10);
    EXPECT_NEAR(w.clock->timeRate, 1.5f, 1e-4);
}

TEST(ActionTimeRate, ZeroResetsToExactlyOneEvenWhenClamped) {
    HudWorld w(300);
    setTimeRate(w.clock, -1.0f);
    w.tick(500); // simulation time would go below zero: clamped and stopped
    ASSERT_EQ(w.clock->simTimeMs, 0);
    ASSERT_EQ(w.clock->timeRate, 0.0f);
    float values[5] = {0.0f, 0.0f, 0, 0, 0};
    holdAction(w, actionTimeRate, values, 1, 10);
    EXPECT_EQ(w.clock->timeRate, 1.0f);
    setTimeRate(w.clock, 3.25f);
    holdAction(w, actionTimeRate, values, 5, 10);
    EXPECT_EQ(w.clock->timeRate, 1.0f);
}

// Counts the toggles of the bounding display while the action runs every turnMs for turns.
int countToggles(HudWorld& w, int turns, uint32_t turnMs) {
    int toggles = 0;
    for (int i = 0; i < turns; ++i) {
        int32_t before = w.resources.drawBoundings;
        w.tick(turnMs);
        actionDrawBoundings(nullptr, &w.hud);
        if (w.resources.drawBoundings != before) ++toggles;
    }
    return toggles;
}

TEST(ActionDrawBoundings, ToggleAboutTenTimesPerSecondHeld) {
    resetDrawBoundingsDebounce();
    HudWorld w(5000);
    int toggles = countToggles(w, 100, 10);
    EXPECT_GE(toggles, 9);
    EXPECT_LE(toggles, 10);

    // Faster turns do not toggle more often.
    resetDrawBoundingsDebounce();
    HudWorld fast(5000);
    EXPECT_GE(countToggles(fast, 1000, 1), 9);
    resetDrawBoundingsDebounce();
    HudWorld fast2(5000);
    EXPECT_LE(countToggles(fast2, 1000, 1), 10);
}

TEST(ActionDrawBoundings, ShortClickTogglesOnceAndTheDebounceIsShared) {
    resetDrawBoundingsDebounce();
    HudWorld w(2000);
    EXPECT_EQ(countToggles(w, 5, 10), 1); // a 50 ms click
    EXPECT_EQ(w.resources.drawBoundings, 1);
    w.tick(30);
    EXPECT_EQ(countToggles(w, 2, 10), 0); // a second click within a tenth of a second
    w.tick(100);
    EXPECT_EQ(countToggles(w, 1, 10), 1);
    EXPECT_EQ(w.resources.drawBoundings, 0);

    // Another HUD in the same process shares the time of the last toggle.
    HudWorld other(w.nowMs);
    EXPECT_EQ(countToggles(other, 1, 20), 0);
}

TEST(ActionDrawBoundings, FirstToggleAtApplicationTimeZero) {
    resetDrawBoundingsDebounce();
    HudWorld w(0);
    actionDrawBoundings(nullptr, &w.hud);
    EXPECT_EQ(w.resources.drawBoundings, 1);
}

} // namespace
