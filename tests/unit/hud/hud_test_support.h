// Shared set-up for the HUD, action and input tests: a scene, a clock driven by explicit
// millisecond times, input reports as GLUT's callbacks make them, and builders for panels and
// buttons in HUD coordinates. The window is 800 by 600 throughout.
#pragma once

#include <cstdio>
#include <cstring>

#include "app/clock.h"
#include "app/input.h"
#include "hud/actions.h"
#include "hud/hud.h"
#include "scene/scene.h"
#include "test_data.h"
#include "texture/registry.h"

inline Entity makeEntity(const char* name, int32_t entityType, int32_t link = 0) {
    Entity e{};
    std::snprintf(e.name, NAME_SIZE, "%s", name);
    e.entityType = entityType;
    e.type = MotionType::STATIC;
    e.rotation = Quaternion{0.0f, 0.0f, 0.0f, 1.0f};
    e.link = link;
    e.visible = 1;
    return e;
}

inline Background makeBackground(float x0, float y0, float x1, float y1) {
    Background b{};
    b.colour = Colour{1.0f, 1.0f, 1.0f, 1.0f};
    b.min = Float2{x0, y0};
    b.max = Float2{x1, y1};
    b.texMax = TexCoord{1.0f, 1.0f};
    return b;
}

inline Button makeButton(float x0, float y0, float x1, float y1, const char* actionName = "",
                         const char* actionLink = "", float v2 = 0.0f, float v3 = 0.0f,
                         float v4 = 0.0f, float v5 = 0.0f) {
    Button b{};
    b.colour = Colour{1.0f, 1.0f, 1.0f, 1.0f};
    b.min = Float2{x0, y0};
    b.max = Float2{x1, y1};
    b.texMax = TexCoord{1.0f, 1.0f};
    std::snprintf(b.actionName, NAME_SIZE, "%s", actionName);
    std::snprintf(b.actionLink, NAME_SIZE, "%s", actionLink);
    b.actionValues[1] = v2, b.actionValues[2] = v3, b.actionValues[3] = v4, b.actionValues[4] = v5;
    return b;
}

constexpr int32_t W = 800;
constexpr int32_t H = 600;

// A HUD over a fresh scene and clock. The clock starts at startMs so that simulation time can
// run backwards for a while before it is clamped at zero.
struct HudWorld {
    Scene* scene;
    Clock* clock;
    Camera viewpoint;
    Resources resources{};
    Hud hud{};
    uint32_t nowMs;

    explicit HudWorld(uint32_t startMs = 100000) : nowMs(startMs) {
        scene = createScene();
        clock = createClockAt(startMs);
        viewpoint = createCamera();
        initHud(&hud, scene, &viewpoint, clock, &resources);
    }
    void tick(uint32_t stepMs) { updateClockAt(clock, nowMs += stepMs); }
    // One idle turn: the clock, then the input step with the application step in seconds.
    void turn(uint32_t stepMs) {
        tick(stepMs);
        processInput(&hud, static_cast<float>(getAppDelta(clock)));
    }
    void turns(int count, uint32_t stepMs) {
        for (int i = 0; i < count; ++i) turn(stepMs);
    }
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
