// Drags against a model (the view follows the pointer's whole path, however many reports come
// per idle turn) and the on/off button acting once per press.
#include <gtest/gtest.h>

#include <vector>

#include "hud_test_support.h"
#include "sim/particles.h"

namespace {

struct Step {
    int32_t dx, dy;
};

std::vector<Step> path(std::initializer_list<Step> legs) { // each leg is 12 steps of (dx, dy)
    std::vector<Step> steps;
    for (Step leg : legs) steps.insert(steps.end(), 12, leg);
    return steps;
}

TEST(Press, DragsFollowThePointersWholePathAtAnyReportsPerTurn) {
    const std::vector<Step> outAndBack = path({{4, 0}, {-4, 0}});
    const std::vector<Step> square = path({{4, 0}, {0, -4}, {-4, 0}, {0, 4}});
    for (int32_t button : {0, 2})
        for (const auto* steps : {&outAndBack, &square})
            for (int perTurn : {1, 3, 7}) {
                HudWorld w;
                w.motion(400, 300); // the pointer moved before the press: not part of the drag
                w.mouseDown(button, 400, 300);
                int32_t x = 400, y = 300, reports = 0;
                for (Step s : *steps) {
                    w.motion(x += s.dx, y += s.dy);
                    if (++reports % perTurn != 0 && reports != int(steps->size())) continue;
                    w.turn(10); // s = 0.08 for the right button
                    SCOPED_TRACE(testing::Message() << button << " " << perTurn << " " << reports);
                    EXPECT_NEAR(w.camera().yaw, button == 0 ? x - 400 : 0, 1e-3);
                    EXPECT_NEAR(w.camera().pitch, button == 0 ? 300 - y : 0, 1e-3);
                    EXPECT_NEAR(w.camera().position.z, button == 2 ? (x - 400) * 0.08f : 0, 1e-3);
                }
            }
}

TEST(Press, AnOnOffButtonSwitchesOncePerPressHoweverLongItIsHeld) {
    HudWorld w;
    ParticleSystem* sparks = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                                  BlendType::SATURATE, 1.0f, 10.0f, 1.0f);
    setParticleSystemOff(sparks, 0);
    addParticleSystem(&w.resources, sparks);
    addEntity(w.scene, makeEntity("Sparks", EntityType::PARTICLE, 0), 0);
    addBackground(&w.hud, makeBackground(-1, -1, 1, 1));
    addButton(&w.hud, makeButton(-1, -1, 1, 1, "PARTICLESYSTEMSTATE", "Sparks"));
    resolveButtons(&w.hud);
    w.motion(400, 300);
    int presses = 0;
    for (int heldTurns : {1, 4, 2, 7, 3}) {
        w.mouseDown(0, 400, 300);
        w.turns(heldTurns, 10);
        w.mouseUp(0, 400, 300);
        w.turns(2, 10);
        EXPECT_EQ(sparks->off, ++presses % 2) << "press " << presses;
    }
}

} // namespace
