// The HUD without a window: pixel mapping and hit test, the action table and button binding, the
// actions over simulated turns, input reports applied per idle turn (drags checked against a
// model of the pointer's whole path), the requests of the function keys and the message panel's
// rules. The clock is driven by explicit millisecond times, input reports come as GLUT's callbacks
// make them, and the window is 800 by 600 throughout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <array>
#include <cstring>
#include <vector>

#include "app/engine.h"
#include "app/input.h"
#include "app/panel.h"
#include "core/clock.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "loader/scan.h"
#include "scene/scene.h"
#include "sim/particles.h"
#include "test_data.h"
#include "texture/registry.h"

namespace {

Entity makeEntity(const char* name, int32_t entityType, int32_t link = 0) {
    Entity e{};
    std::snprintf(e.name, NAME_SIZE, "%s", name);
    e.entityType = entityType, e.type = MotionType::STATIC, e.rotation = {0, 0, 0, 1}, e.link = link, e.visible = 1;
    return e;
}

// A panel or button (the same fields) in HUD units, white, showing the whole texture.
template <typename Rect> Rect rect(float x0, float y0, float x1, float y1) {
    Rect r{};
    r.colour = Colour{1, 1, 1, 1}, r.min = Float2{x0, y0}, r.max = Float2{x1, y1}, r.texMax = TexCoord{1, 1};
    return r;
}
Background makeBackground(float x0, float y0, float x1, float y1) { return rect<Background>(x0, y0, x1, y1); }
Button makeButton(float x0, float y0, float x1, float y1, const char* action = "", const char* link = "", float v2 = 0) {
    Button b = rect<Button>(x0, y0, x1, y1);
    std::snprintf(b.actionName, NAME_SIZE, "%s", action);
    std::snprintf(b.actionLink, NAME_SIZE, "%s", link);
    b.actionValues[1] = v2;
    return b;
}

constexpr int32_t W = 800, H = 600;

// A HUD over a fresh scene and clock. The clock starts at startMs so that simulation time can
// run backwards for a while before it is clamped at zero.
struct HudWorld {
    uint32_t nowMs;
    Scene* scene = createScene();
    Clock* clock = createClockAt(nowMs);
    Camera viewpoint = createCamera();
    Resources resources{};
    Hud hud{};

    explicit HudWorld(uint32_t startMs = 100000) : nowMs(startMs) { initHud(&hud, scene, &viewpoint, clock, &resources); }
    ~HudWorld() {
        for (int32_t i = 0; i < resources.particleSystems.count; ++i)
            freeParticleSystem(resources.particleSystems.items[i]);
        std::free(resources.particleSystems.items);
        freeHud(&hud), freeScene(scene), std::free(clock);
    }
    void tick(uint32_t stepMs) { updateClockAt(clock, nowMs += stepMs); }
    // One idle turn: the clock, then the input step with the application step in seconds.
    void turn(uint32_t stepMs) {
        tick(stepMs);
        processInput(&hud, static_cast<float>(getAppDelta(clock)));
    }
    void turns(int count, uint32_t stepMs) { for (int i = 0; i < count; ++i) turn(stepMs); }
    void key(unsigned char k) { pressInputAt(&hud, InputKind::Key, k, W, H); }
    void keyUp(unsigned char k) { releaseInput(&hud, InputKind::Key, k); }
    void motion(int32_t x, int32_t y) {
        pressInputAt(&hud, InputKind::PointerX, x, W, H);
        pressInputAt(&hud, InputKind::PointerY, y, W, H);
    }
    // A mouse event gives the button first, then the event's own position.
    void mouseDown(int32_t button, int32_t x, int32_t y) {
        pressInputAt(&hud, InputKind::MouseButton, button, W, H);
        motion(x, y);
    }
    void mouseUp(int32_t button, int32_t x, int32_t y) {
        releaseInput(&hud, InputKind::MouseButton, button);
        motion(x, y);
    }
    Camera& camera() { return scene->camera; }
};

TEST(HudHitTest, PanelEdgesCountAsInsideAndAWindowWithoutAreaIsAMiss) {
    HudWorld w;
    // A strip along the bottom edge whose top edge falls exactly on pixel row 525.
    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.75f));
    const struct { int32_t x, y, width, height, overHud; } presses[] = {
        {0, 570, W, H, 1},   {800, 570, W, H, 1}, {400, 600, W, H, 1},
        {400, 525, W, H, 1}, {400, 524, W, H, 0}, {-1, 570, W, H, 0},
        {801, 570, W, H, 0}, {334, 380, 1200, 400, 1}, {333, 380, 1200, 400, 0},
        {400, 570, W, 0, 0}, {400, 570, 0, H, 0}}; // a wider window widens x
    for (const auto& c : presses) {
        w.hud.mouseX = c.x, w.hud.mouseY = c.y;
        hudHitTest(&w.hud, c.width, c.height);
        EXPECT_EQ(w.hud.overHud, c.overHud) << c.x << "," << c.y << " in " << c.width;
    }
}

TEST(HudHitTest, TheLatestButtonUnderThePointerWinsOnlyInsideAPanel) {
    HudWorld w;
    addBackground(&w.hud, makeBackground(-1, -1, 0, 0));
    addButton(&w.hud, makeButton(-0.4f, -0.4f, 0, 0)); // 0: under (-0.2, -0.2)
    addButton(&w.hud, makeButton(0.5f, 0.5f, 1, 1));    // 1: on no panel
    addButton(&w.hud, makeButton(-0.3f, -0.3f, 0, 0)); // 2: under (-0.2, -0.2) too
    const struct { int32_t x, y, overHud, overButton, hitButton; } presses[] = {
        {340, 360, 1, 1, 2}, // HUD (-0.2, -0.2)
        {535, 165, 0, 1, 2}, // over button 1 but no panel: the selection stays
        {250, 450, 1, 0, 2}, // on the panel, on no button: cleared, index kept
    };
    for (const auto& c : presses) {
        w.hud.mouseX = c.x, w.hud.mouseY = c.y;
        hudHitTest(&w.hud, W, H);
        EXPECT_EQ(w.hud.overHud, c.overHud) << c.x << "," << c.y;
        EXPECT_EQ(w.hud.overButton, c.overButton) << c.x << "," << c.y;
        EXPECT_EQ(w.hud.hitButton, c.hitButton) << c.x << "," << c.y;
    }
}

TEST(Actions, TableFindsTheSevenByExactNameAndButtonsBindTheirEntity) {
    ActionTable* table = createActionTable();
    const std::pair<const char*, ActionHandler> named[] = {
        {"ENTITYMOVE", actionEntityMove}, {"ENTITYROTATE", actionEntityRotate}, {"TIMERATE", actionTimeRate},
        {"PARTICLESYSTEMSTATE", actionParticleSystemState}, {"DRAWBOUNDINGS", actionDrawBoundings},
        {"ANIMATIONSTART", actionNone}, {"ANIMATIONEND", actionNone}, {"entitymove", nullptr},
        {"ENTITYMOVEX", nullptr}, {"", nullptr}, {"TIMERATE ", nullptr}};
    for (const auto& [name, handler] : named) EXPECT_EQ(findAction(table, name), handler) << name;
    std::free(table);

    HudWorld w;
    addEntity(w.scene, makeEntity("Box", EntityType::OBJECT), 0);
    const std::string longest(NAME_SIZE - 1, 'X');
    const int32_t lamp = addEntity(w.scene, makeEntity(longest.c_str(), EntityType::LIGHT), 0);
    addButton(&w.hud, makeButton(0, 0, 1, 1, "ENTITYROTATE", "Box"));
    addButton(&w.hud, makeButton(0, 0, 1, 1, "", "Nothing"));
    w.hud.buttons[1].actionValues[0] = 42.0f; // the file's first value never survives
    // Name fields filled to the last byte are read as their first NAME_SIZE - 1 characters.
    std::memcpy(w.hud.buttons[1].actionName, "PARTICLESYSTEMSTATEX", NAME_SIZE);
    std::memset(w.hud.buttons[0].actionLink, 'X', NAME_SIZE);
    resolveButtons(&w.hud);
    EXPECT_EQ(w.hud.buttons[0].action, actionEntityRotate);
    EXPECT_EQ(w.hud.buttons[0].actionValues[0], static_cast<float>(lamp));
    EXPECT_EQ(w.hud.buttons[1].action, actionParticleSystemState);
    EXPECT_EQ(w.hud.buttons[1].actionValues[0], 0.0f);
}

// Runs the handler once per turn of turnMs, as processInput does while the button is held.
void holdAction(HudWorld& w, ActionHandler handler, float* values, int turns, uint32_t turnMs) {
    for (int i = 0; i < turns; ++i) w.tick(turnMs), handler(values, &w.hud);
}

TEST(Actions, EntityMoveAndRotateGoByTheEntitysOwnAxesAtTheSimulationRate) {
    // Held for one second; a third of a turn about (1, 1, 1) puts the box's own x, y, z on the world's y, z, x.
    for (float rate : {1.0f, 0.0f, -1.0f, 0.5f}) {
        HudWorld w;
        Entity e = makeEntity("Box", EntityType::OBJECT);
        e.rotation = {0.5f, 0.5f, 0.5f, 0.5f};
        const int32_t box = addEntity(w.scene, e, 0), top = addEntity(w.scene, makeEntity("Top", EntityType::OBJECT), 0);
        updateTransforms(w.scene);
        setTimeRate(w.clock, rate);
        float move[5] = {static_cast<float>(box) + 0.9f, 1, 2, 3, 9}, spin[5] = {float(top), 90, 0, 0, 1};
        for (int i = 0; i < 100; ++i) w.tick(10), actionEntityMove(move, &w.hud), actionEntityRotate(spin, &w.hud);
        expectFloat3(getEntityPosition(w.scene, box), {3 * rate, 1 * rate, 2 * rate}, 2e-3f);
        EXPECT_NEAR(getEntityRotation(w.scene, top).z, std::sin(rate * 0.785398f), 2e-3f); // rate * 90 degrees about z
    }
}

TEST(Actions, ParticleSystemStateSwitchesOnlyThePARTICLEEntitysOwnSystem) {
    const struct { int32_t entityType, link, systems, offAfter[2]; } cases[] = {
        {EntityType::PARTICLE, 1, 2, {0, 1}}, {EntityType::PARTICLE, 0, 2, {1, 0}},
        {EntityType::OBJECT, 1, 2, {0, 0}}, // an OBJECT's link names a mesh, not a system
        {EntityType::LIGHT, 0, 2, {0, 0}},    {EntityType::PARTICLE, 2, 2, {0, 0}},
        {EntityType::PARTICLE, -1, 2, {0, 0}}, {EntityType::PARTICLE, 0, 0, {0, 0}},
    };
    for (const auto& c : cases) {
        HudWorld w;
        ParticleSystem* systems[2] = {};
        for (int i = 0; i < c.systems; ++i) {
            systems[i] = createParticleSystem(ParticleType::POINT, DisplayType::POINT,
                                              BlendType::SATURATE, 1.0f, 10.0f, 1.0f);
            setParticleSystemOff(systems[i], 0);
            addParticleSystem(&w.resources, systems[i]);
        }
        const int32_t e = addEntity(w.scene, makeEntity("E", c.entityType, c.link), 0);
        float values[5] = {static_cast<float>(e), 0, 0, 0, 0};
        holdAction(w, actionParticleSystemState, values, 1, 10);
        for (int i = 0; i < c.systems; ++i)
            EXPECT_EQ(systems[i]->off, c.offAfter[i]) << "type " << c.entityType << " link " << c.link;
    }
}

TEST(Actions, TimeRateChangesPerSecondAndZeroResetsToOneEvenWhenClamped) {
    for (const auto& [turns, stepMs] : {std::pair{200, 10u}, {4, 500u}}) {
        HudWorld w;
        float values[5] = {0.0f, 0.5f, 0, 0, 0};
        holdAction(w, actionTimeRate, values, turns, stepMs); // two seconds
        EXPECT_NEAR(w.clock->timeRate, 2.0f, 1e-4);
    }
    HudWorld w(300);
    setTimeRate(w.clock, -1.0f);
    w.tick(500); // simulation time would go below zero: clamped and stopped
    float reset[5] = {0.0f, 0.0f, 0, 0, 0};
    holdAction(w, actionTimeRate, reset, 1, 10);
    EXPECT_EQ(w.clock->timeRate, 1.0f);
}

TEST(Actions, DrawBoundingsSwitchesAtMostTenTimesASecondWhileHeld) {
    // Held for a second in turns of stepMs: a switch on the first turn, then on each turn more
    // than a tenth of a second after the last switch. The last switch is shared by every HUD, so
    // each world starts two seconds after any earlier one ended.
    static uint32_t startMs = 100000;
    for (const auto& [stepMs, turns, switches] : {std::tuple{1u, 1000, 10}, {30u, 34, 9}, {250u, 4, 4}}) {
        HudWorld w(startMs += 2000);
        int32_t seen = 0;
        for (int i = 0; i < turns; ++i) {
            const int32_t before = w.resources.drawBoundings;
            holdAction(w, actionDrawBoundings, nullptr, 1, stepMs);
            seen += w.resources.drawBoundings != before;
        }
        EXPECT_EQ(seen, switches) << "turns of " << stepMs << " ms";
    }
}

TEST(Input, FlightKeysMoveEightUnitsPerSecondWhateverTheRateAndTurns) {
    const struct { int32_t key; Float3 moved; float rate = 1; int turns = 100; uint32_t stepMs = 10; } cases[] = {
        {'w', {0, 0, -8}}, {'s', {0, 0, 8}},  {'a', {-8, 0, 0}},          {'d', {8, 0, 0}},
        {'e', {0, 8, 0}},  {'q', {0, -8, 0}}, {'W', {0, 0, -8}, 0.0f},     {'S', {0, 0, 8}, -1, 50, 20},
        {'A', {-8, 0, 0}, 4, 1000, 1},        {'D', {8, 0, 0}, 1, 4, 250}, {'E', {0, 8, 0}},
        {'Q', {0, -8, 0}}, {'x', {0, 0, 0}},  {'W' + 256, {0, 0, -8}}, // an unsigned byte
    };
    for (const auto& c : cases) {
        HudWorld w;
        setTimeRate(w.clock, c.rate);
        pressInputAt(&w.hud, InputKind::Key, c.key, W, H);
        w.turns(c.turns, c.stepMs);
        SCOPED_TRACE(std::string("key ") + char(c.key) + " rate " + std::to_string(c.rate));
        expectFloat3(w.camera().position, c.moved, 1e-3f);
    }
    HudWorld w; // opposite keys cancel; upper and lower case share a flag
    for (unsigned char k : {'W', 's', 'A', 'd', 'q', 'E', 'w'}) w.key(k);
    w.turns(50, 10);
    w.keyUp('S'), w.keyUp('a');
    w.turns(50, 10);
    expectFloat3(w.camera().position, {4, 0, -4}, 1e-3f);
    w.keyUp('w');
    EXPECT_EQ(w.hud.keyW, 0);
}

TEST(Input, RateKeysStepPerTurnNotPerSecond) {
    const struct { const char* keys; int turns; uint32_t stepMs; float rate; } cases[] = {
        {"+", 100, 1, 2}, {"=", 100, 50, 2}, {"-", 150, 10, -0.5f}, {"+_", 30, 10, 1}};
    for (const auto& c : cases) {
        HudWorld w;
        for (const char* k = c.keys; *k; ++k) w.key(static_cast<unsigned char>(*k));
        w.turns(c.turns, c.stepMs);
        EXPECT_NEAR(w.clock->timeRate, c.rate, 1e-4) << c.keys;
    }
}

// Drags against a model: the view follows the pointer's whole path, however many reports come per
// idle turn, when the press was off every panel, a reload in the middle or not; the middle button
// drags nothing; once released, nothing moves.
TEST(Input, DragsFollowThePointersWholePathOnlyWhenStartedOffEveryPanel) {
    // Legs of 12 reports of (dx, dy) pixels each: out and back, and a closed square.
    const std::vector<std::vector<std::pair<int32_t, int32_t>>> paths = {
        {{4, 0}, {-4, 0}}, {{4, 0}, {0, -4}, {-4, 0}, {0, 4}}};
    for (int32_t button : {0, 1, 2})
        for (int32_t startY : {300, 580}) // on the scene, or on the bottom panel (left upwards)
            for (const auto& legs : paths)
                for (int perTurn : {1, 3, 8})
                    for (int reloadAt : {0, 6}) { // the report after which the scene is reloaded
                    HudWorld w;
                    addBackground(&w.hud, makeBackground(-4.0f / 3.0f, -1.0f, 4.0f / 3.0f, -0.8f));
                    SCOPED_TRACE(testing::Message() << "button " << button << " from y " << startY << ", per turn " << perTurn << ", reload " << reloadAt);
                    w.motion(400, startY); // the pointer moved before the press: not part of the drag
                    w.mouseDown(button, 400, startY);
                    const float turns = button == 0 && startY == 300, moves = button == 2 && startY == 300;
                    int32_t x = 400, y = startY, reports = 0;
                    for (auto [dx, dy] : legs)
                        for (int i = 0; i < 12; ++i) {
                            w.motion(x += dx, y += dy);
                            if (++reports == reloadAt) clearHudScene(&w.hud, w.scene, &w.resources);
                            if (reports % perTurn != 0) continue;
                            w.turn(10); // s = 0.08 for the right button
                            EXPECT_NEAR(w.camera().yaw, turns * (x - 400), 1e-3) << reports;
                            EXPECT_NEAR(w.camera().pitch, turns * (startY - y), 1e-3) << reports;
                            EXPECT_NEAR(w.camera().position.z, moves * (x - 400) * 0.08f, 1e-3);
                        }
                    w.mouseUp(button, x, y);
                    w.motion(300, 100);
                    w.turns(2, 10);
                    EXPECT_EQ(std::tuple(w.camera().yaw, w.camera().pitch), std::tuple(0, 0));
                    EXPECT_NEAR(w.camera().position.z, 0, 1e-3f);
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

// Requests as the key callbacks record them, acted on by idle turns: each once, in order, nothing
// after Quit. The first turn's requests take half a second, which a reload (of a missing file)
// absorbs: the next turn steps 10 ms, not 510. Home puts the camera at the file's, level.
TEST(Requests, EachIsActedOnOnceInTheOrderRecorded) {
    const char* codes = "QPFCRSH"; // Quit, MessagePanel, FrameStats, CameraLine, Reload, Screenshot, CameraHome
    const struct { const char* keys; std::array<int32_t, 4> panelStatsShotQuit; float z; const char* printed; } rows[] = {
        {"F", {0, 1, 0, 0}, 1e6f, ""}, {"FF", {0, 0, 0, 0}, 1e6f, ""}, {"PSP", {0, 0, 1, 0}, 1e6f, ""},
        {"QF", {0, 0, 0, 1}, 1e6f, ""}, {"HC", {1, 0, 0, 0}, 6, "POSITION: 0 1.5 6 ROTATION: 0 0 1 0 SCALE: 1 1 1\n"},
        {"CRH", {1, 0, 0, 0}, 6, "POSITION: 0.1 -2.5 1e+06 ROTATION: 0 0 1 0 SCALE: 1 1 1\nERROR: '/no/scene.txt' failed to open.\n"}};
    for (const auto& r : rows) {
        HudWorld w;
        EngineState state;
        state.scenePath = "/no/scene.txt", state.home = {0, 1.5f, 6};
        setCameraPosition(&w.camera(), 0.1f, -2.5f, 1e6f), setCameraAngles(&w.camera(), 10, 20, 0);
        for (const char* k = r.keys; *k; ++k) recordRequest(&w.hud, static_cast<int32_t>(std::strchr(codes, *k) - codes));
        const auto halfASecondLater = [&] { return w.nowMs + 500; };
        testing::internal::CaptureStdout();
        w.tick(10), actOnRequests(&state, &w.hud, halfASecondLater), w.nowMs += 500;
        w.tick(10), actOnRequests(&state, &w.hud, halfASecondLater); // nothing left
        EXPECT_EQ(testing::internal::GetCapturedStdout(), r.printed) << r.keys;
        EXPECT_EQ(w.clock->appDeltaMs, std::strchr(r.keys, 'R') ? 10 : 510) << r.keys;
        EXPECT_EQ((std::array{state.panel.open, w.hud.showFrameStats, state.shotWanted, state.quit}), r.panelStatsShotQuit) << r.keys;
        EXPECT_EQ(w.camera().position.z, r.z) << r.keys;
        EXPECT_EQ(w.camera().yaw + w.camera().pitch, r.z == 6 ? 0 : 30) << r.keys;
    }
    for (float v : {0.1f, -123456.79f, 1e-7f, 3e38f, -0.0f}) { // pasted back: the same floats
        const std::string line = cameraEntityLine({v, v, -v});
        Parser p = makeParser(line);
        float at[3];
        EXPECT_TRUE(scan(&p, "POSITION: %f %f %f ROTATION: 0 0 1 0 SCALE: 1 1 1", {&at[0], &at[1], &at[2]})) << line;
        expectFloat3({at[0], at[1], at[2]}, {v, v, -v}, 0.0f);
    }
}

// Which loads open the message panel: at start-up only an error; after a reload new warnings or an
// error; a reload with nothing new closes what opened by itself (F3's line included), not what F1
// opened.
TEST(Panel, NewWarningsOpenItAndAReloadWithNothingNewClosesIt) {
    // Steps: S start-up, R reload, E failed reload, T F1, C F3; one warning (a note under an error)
    // per letter.
    const struct { char step; const char* warnings; int32_t open; size_t lines; } steps[] = {
        {'S', "a", 0, 0}, {'R', "a", 0, 0},  {'R', "ab", 1, 2}, {'R', "ab", 0, 0}, {'E', "n", 1, 2},
        {'R', "ab", 0, 0}, {'C', "", 1, 3}, {'R', "ab", 0, 0}, {'T', "", 1, 2},   {'R', "c", 1, 1},
        {'R', "", 1, 0},  {'T', "", 0, 0},  {'R', "d", 1, 1},  {'R', "", 0, 0}};
    MessagePanel panel{};
    for (int i = 0; const auto& s : steps) {
        std::vector<std::string> warnings;
        for (const char* w = s.warnings; *w; ++w) warnings.push_back(std::string("WARNING: ") + *w);
        if (s.step == 'T') toggleMessagePanel(&panel);
        else if (s.step == 'C') showCameraLine(&panel, "POSITION: 1 2 3 ROTATION: 0 0 1 0 SCALE: 1 1 1");
        else showLoadMessages(&panel, s.step != 'E', "ERROR: x", warnings, warnings); // an error's notes
        EXPECT_EQ(panel.open, s.open) << "step " << i;
        EXPECT_EQ(panelLines(panel).size(), s.lines) << "step " << i++;
    }
}

} // namespace
