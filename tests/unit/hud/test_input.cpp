// Key and mouse reports recorded in the Hud and applied per idle turn: camera flight, drags,
// time-rate keys and the held HUD button. Window size 800 by 600 throughout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "hud_test_support.h"

namespace {

TEST(InputKeys, EachFlightKeyMovesEightUnitsPerSecondWhateverTheRateAndTurns) {
    const struct {
        unsigned char key;
        float x, y, z;
        float rate = 1.0f;
        int turns = 100;
        uint32_t stepMs = 10;
    } cases[] = {
        {'W', 0, 0, -8},
        {'w', 0, 0, -8},
        {'S', 0, 0, 8},
        {'s', 0, 0, 8},
        {'A', -8, 0, 0},
        {'a', -8, 0, 0},
        {'D', 8, 0, 0},
        {'d', 8, 0, 0},
        {'E', 0, 8, 0},
        {'e', 0, 8, 0},
        {'Q', 0, -8, 0},
        {'q', 0, -8, 0},
        {'W', 0, 0, -8, 0.0f},
        {'W', 0, 0, -8, -1.0f, 50, 20},
        {'W', 0, 0, -8, 4.0f, 1000, 1},
        {'W', 0, 0, -8, 1.0f, 4, 250},
    };
    for (const auto& c : cases) {
        HudWorld w;
        setTimeRate(w.clock, c.rate);
        w.key(c.key);
        w.turns(c.turns, c.stepMs);
        SCOPED_TRACE(std::string("key ") + char(c.key) + " rate " + std::to_string(c.rate));
        expectFloat3(w.camera().position, {c.x, c.y, c.z}, 1e-3f);
    }
}

TEST(InputKeys, OppositeKeysCancelAndReleaseStops) {
    HudWorld w;
    w.key('W');
    w.key('s');
    w.key('A');
    w.key('d');
    w.key('q');
    w.key('E');
    w.turns(50, 10);
    expectFloat3(w.camera().position, {0, 0, 0}, 1e-3f); // all six held
    w.keyUp('S');
    w.keyUp('a');
    w.turns(50, 10);
    expectFloat3(w.camera().position, {8 * 0.5f, 0, -8 * 0.5f}, 1e-3f); // W and D held
}

TEST(InputKeys, OtherKeysAndValuesAreIgnored) {
    HudWorld w;
    Hud before;
    std::memcpy(&before, &w.hud, sizeof before);
    for (int32_t value : {int32_t{'x'}, int32_t{'Z'}, int32_t{' '}, 0, 27, 255, -1}) {
        pressInputAt(&w.hud, InputKind::Key, value, W, H);
        releaseInput(&w.hud, InputKind::Key, value);
    }
    pressInputAt(&w.hud, 99, 1, W, H);
    releaseInput(&w.hud, -4, 1);
    EXPECT_EQ(std::memcmp(&before, &w.hud, sizeof before), 0);
    // Values are taken as an unsigned byte: 'W' + 256 is 'W' again.
    pressInputAt(&w.hud, InputKind::Key, 'W' + 256, W, H);
    EXPECT_EQ(w.hud.keyW, 1);
}

TEST(InputKeys, PlusAndMinusStepTheRatePerTurn) {
    HudWorld w;
    w.key('+');
    w.turns(100, 1);
    EXPECT_NEAR(w.clock->timeRate, 2.0f, 1e-4);
    w.keyUp('+');

    HudWorld slow;
    slow.key('=');
    slow.turns(100, 50); // turn length does not matter
    EXPECT_NEAR(slow.clock->timeRate, 2.0f, 1e-4);

    HudWorld down;
    down.key('-');
    down.turns(150, 10);
    EXPECT_NEAR(down.clock->timeRate, -0.5f, 1e-4);

    HudWorld both;
    both.key('+');
    both.key('_');
    both.turns(30, 10);
    EXPECT_NEAR(both.clock->timeRate, 1.0f, 1e-5);
}

TEST(InputDrag, LeftDragTurnsOneDegreePerPixel) {
    HudWorld w;
    w.motion(100, 200);
    w.mouseDown(0, 100, 200);
    EXPECT_EQ(w.hud.leftDown, 1);
    for (int i = 1; i <= 10; ++i) {
        w.motion(100 + 3 * i, 200);
        w.turn(10);
    }
    EXPECT_NEAR(w.camera().yaw, 30.0f, 1e-4);
    EXPECT_NEAR(w.camera().pitch, 0.0f, 1e-4);

    // Dragging upwards raises the view.
    w.motion(130, 180);
    w.turn(10);
    EXPECT_NEAR(w.camera().pitch, 20.0f, 1e-4);
    // No new report: no further turn; of two reports between turns only the last step counts.
    w.turns(5, 10);
    EXPECT_NEAR(w.camera().yaw, 30.0f, 1e-4);
    EXPECT_NEAR(w.camera().pitch, 20.0f, 1e-4);
    w.motion(135, 180);
    w.motion(140, 180);
    w.turn(10);
    EXPECT_NEAR(w.camera().yaw, 35.0f, 1e-4);

    w.mouseUp(0, 140, 180);
    EXPECT_EQ(w.hud.leftDown, 0);
    w.motion(300, 300);
    w.turns(3, 10);
    EXPECT_NEAR(w.camera().yaw, 35.0f, 1e-4);
}

TEST(InputDrag, DragStartedOnAPanelNeverTurns) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f)); // bottom strip
    w.motion(100, 580);
    w.mouseDown(0, 100, 580);
    EXPECT_EQ(w.hud.overHud, 1);
    for (int i = 1; i <= 10; ++i) {
        w.motion(100 + 3 * i, 580 - 30 * i); // leaves the panel upwards
        w.turn(10);
    }
    EXPECT_EQ(w.camera().yaw, 0.0f);
    EXPECT_EQ(w.camera().pitch, 0.0f);

    // The same drag started above the panel turns.
    w.mouseUp(0, 130, 280);
    w.motion(100, 300);
    w.mouseDown(0, 100, 300);
    EXPECT_EQ(w.hud.overHud, 0);
    w.motion(130, 300);
    w.turn(10);
    EXPECT_NEAR(w.camera().yaw, 30.0f, 1e-4);
}

TEST(InputDrag, ButtonOffEveryPanelDoesNotStopADrag) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f));
    addButton(&w.hud, makeButton(-0.5f, -0.5f, 0.5f, 0.5f, "TIMERATE", "", 5.0f, 0, 0));
    resolveButtons(&w.hud);
    w.motion(400, 300);
    w.mouseDown(0, 400, 300);
    w.motion(410, 300);
    w.turn(10);
    EXPECT_NEAR(w.camera().yaw, 10.0f, 1e-4);
    EXPECT_EQ(w.clock->timeRate, 1.0f);
}

TEST(InputDrag, RightDragMovesAlongTheViewAxis) {
    HudWorld w;
    w.motion(400, 300);
    w.mouseDown(2, 400, 300);
    EXPECT_EQ(w.hud.rightDown, 1);
    EXPECT_EQ(w.hud.leftDown, 0);
    w.motion(410, 300);
    w.turn(10); // s = 0.08: 10 pixels right move 0.8 backwards
    expectFloat3(w.camera().position, {0, 0, 0.8f}, 1e-3f); // right drag
    w.turns(3, 10);
    expectFloat3(w.camera().position, {0, 0, 0.8f}, 1e-3f); // no new report
    w.motion(390, 300);
    w.turn(20);
    expectFloat3(w.camera().position, {0, 0, 0.8f - 20 * 0.16f}, 1e-3f); // drag left moves forwards
    EXPECT_EQ(w.camera().yaw, 0.0f);
    w.mouseUp(2, 390, 300);
    EXPECT_EQ(w.hud.rightDown, 0);
}

TEST(InputMouse, ClickWithoutMotionTestsTheTopLeftCorner) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, 0.9f, -1.2f, 1.0f));
    pressInputAt(&w.hud, InputKind::MouseButton, 0, W, H);
    EXPECT_EQ(w.hud.overHud, 1);
    // The event's own position only arrives afterwards.
    pressInputAt(&w.hud, InputKind::PointerX, 400, W, H);
    pressInputAt(&w.hud, InputKind::PointerY, 300, W, H);
    EXPECT_EQ(w.hud.overHud, 1);
}

TEST(InputMouse, MiddleButtonHitTestsButSetsNoFlag) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-1, -1, 1, 1));
    w.motion(400, 300);
    w.mouseDown(1, 400, 300);
    EXPECT_EQ(w.hud.overHud, 1);
    EXPECT_EQ(w.hud.leftDown, 0);
    EXPECT_EQ(w.hud.rightDown, 0);
    w.mouseUp(1, 400, 300);
    EXPECT_EQ(w.hud.overHud, 1); // kept until the next press
}

TEST(InputButtons, HeldButtonRunsItsActionEveryTurn) {
    HudWorld w;
    int32_t cube = addEntity(w.scene, makeEntity("Cube", EntityType::OBJECT), 0);
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f));
    addButton(&w.hud, makeButton(-0.2f, -1.0f, 0.2f, -0.8f, "ENTITYMOVE", "Cube", 2.0f, 0, 0));
    addButton(&w.hud, makeButton(0.4f, -1.0f, 0.6f, -0.8f, "NOSUCHACTION", "Cube", 5.0f, 0, 0));
    resolveButtons(&w.hud);

    w.motion(400, 570); // HUD (0, -0.9): on button 0
    w.mouseDown(0, 400, 570);
    ASSERT_EQ(w.hud.overButton, 1);
    ASSERT_EQ(w.hud.hitButton, 0);
    w.turns(100, 10);
    EXPECT_NEAR(getEntityPosition(w.scene, cube).x, 2.0f, 1e-3);
    // The pointer leaving the button does not stop it; releasing does.
    w.motion(100, 100);
    w.turns(50, 10);
    EXPECT_NEAR(getEntityPosition(w.scene, cube).x, 3.0f, 1e-3);
    w.mouseUp(0, 100, 100);
    w.turns(50, 10);
    EXPECT_NEAR(getEntityPosition(w.scene, cube).x, 3.0f, 1e-3);
    EXPECT_EQ(w.camera().yaw, 0.0f);

    // A button whose action name matched nothing does nothing.
    w.motion(400 + 150, 570);
    w.mouseDown(0, 550, 570);
    ASSERT_EQ(w.hud.hitButton, 1);
    w.turns(20, 10);
    EXPECT_NEAR(getEntityPosition(w.scene, cube).x, 3.0f, 1e-3);
    EXPECT_EQ(w.camera().yaw, 0.0f);
}

TEST(InputButtons, StaleButtonIndexIsNotFollowed) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-1, -1, 1, 1));
    addButton(&w.hud, makeButton(-1, -1, 1, 1, "TIMERATE", "", 1.0f, 0, 0));
    resolveButtons(&w.hud);
    w.hud.overHud = 1;
    w.hud.overButton = 1;
    w.hud.leftDown = 1;
    for (int32_t index : {-1, 1, 1000}) {
        w.hud.hitButton = index;
        w.turn(10);
    }
    EXPECT_EQ(w.clock->timeRate, 1.0f);
    w.hud.hitButton = 0;
    w.turn(100);
    EXPECT_NEAR(w.clock->timeRate, 1.1f, 1e-5);
}

TEST(InputNull, NullHudDoesNothing) {
    pressInputAt(nullptr, InputKind::Key, 'W', W, H);
    pressInputAt(nullptr, InputKind::MouseButton, 0, W, H);
    releaseInput(nullptr, InputKind::Key, 'W');
    processInput(nullptr, 0.1f);
    // A HUD without a scene or clock still takes reports.
    Hud bare{};
    pressInputAt(&bare, InputKind::Key, 'W', W, H);
    pressInputAt(&bare, InputKind::Key, '+', W, H);
    bare.leftDown = 1;
    bare.rightDown = 1;
    processInput(&bare, 0.1f);
    EXPECT_EQ(bare.keyW, 1);
}

} // namespace
