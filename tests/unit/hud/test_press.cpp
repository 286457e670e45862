// Drags against a model (the view follows the pointer's whole path, however many reports come
// per idle turn) and the on/off button acting once per press.
#include <gtest/gtest.h>

#include <vector>

#include "hud_test_support.h"
#include "sim/particles.h"

namespace {

TEST(Press, DragsFollowThePointersWholePathAtAnyReportsPerTurn) {
    // Legs of 12 reports of (dx, dy) pixels each: out and back, and a closed square.
    const std::vector<std::vector<std::pair<int32_t, int32_t>>> paths = {
        {{4, 0}, {-4, 0}}, {{4, 0}, {0, -4}, {-4, 0}, {0, 4}}};
    for (int32_t button : {0, 2})
        for (const auto& legs : paths)
            for (int perTurn : {1, 3, 8}) {
                HudWorld w;
                SCOPED_TRACE(testing::Message() << "button " << button << ", per turn " << perTurn);
                w.motion(400, 300); // the pointer moved before the press: not part of the drag
                w.mouseDown(button, 400, 300);
                int32_t x = 400, y = 300, reports = 0;
                for (auto [dx, dy] : legs)
                    for (int i = 0; i < 12; ++i) {
                        w.motion(x += dx, y += dy);
                        if (++reports % perTurn != 0) continue;
                        w.turn(10); // s = 0.08 for the right button
                        EXPECT_NEAR(w.camera().yaw, (button == 0) * (x - 400), 1e-3) << reports;
                        EXPECT_NEAR(w.camera().pitch, (button == 0) * (300 - y), 1e-3) << reports;
                        EXPECT_NEAR(w.camera().position.z, (button == 2) * (x - 400) * 0.08f, 1e-3);
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
    for (int press = 1; int heldTurns : {1, 4, 2, 7}) {
        w.mouseDown(0, 400, 300);
        w.turns(heldTurns, 10);
        w.mouseUp(0, 400, 300);
        w.turns(2, 10);
        EXPECT_EQ(sparks->off, press++ % 2) << "held " << heldTurns;
    }
}

} // namespace
