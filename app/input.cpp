// Keyboard and mouse input: the GLUT callbacks only record state in the Hud, and processInput
// applies it once per idle turn (camera flight at 8 units per second of application time, one
// degree of turn per pixel dragged, time-rate keys, the held HUD button). Only the four
// callbacks and pressInput touch GLUT.
#include "app/input.h"

#include <GL/glut.h>

#include "app/clock.h"
#include "app/engine.h"
#include "hud/actions.h"
#include "render/camera.h"
#include "scene/scene.h"

namespace {

constexpr float FLY_SPEED = 8.0f;      // units per second of application time
constexpr float RATE_KEY_STEP = 0.01f; // time-rate change per idle turn while a key is held

// The flag a key drives, or null for keys the engine ignores. Upper and lower case share one.
int32_t* keyFlag(Hud* hud, int32_t value) {
    switch (static_cast<unsigned char>(value)) {
    case 'W':
    case 'w':
        return &hud->keyW;
    case 'S':
    case 's':
        return &hud->keyS;
    case 'A':
    case 'a':
        return &hud->keyA;
    case 'D':
    case 'd':
        return &hud->keyD;
    case 'Q':
    case 'q':
        return &hud->keyQ;
    case 'E':
    case 'e':
        return &hud->keyE;
    case 'J':
    case 'j':
        return &hud->keyJ;
    case 'K':
    case 'k':
        return &hud->keyK;
    case '+':
    case '=':
        return &hud->keyPlus;
    case '-':
    case '_':
        return &hud->keyMinus;
    default:
        return nullptr;
    }
}

// Pointer reports shift the current position into the previous one, for presses and releases
// alike, so a drag sees only the step between the last two reports.
void recordPointer(Hud* hud, int32_t kind, int32_t value) {
    if (kind == InputKind::PointerX) {
        hud->prevX = hud->mouseX;
        hud->mouseX = value;
    } else if (kind == InputKind::PointerY) {
        hud->prevY = hud->mouseY;
        hud->mouseY = value;
    }
}

constexpr int32_t LEFT_BUTTON = 0;
constexpr int32_t RIGHT_BUTTON = 2;

} // namespace

void pressInputAt(Hud* hud, int32_t kind, int32_t value, int32_t windowWidth,
                  int32_t windowHeight) {
    if (!hud) return;
    switch (kind) {
    case InputKind::Key:
        if (int32_t* flag = keyFlag(hud, value)) *flag = 1;
        break;
    case InputKind::PointerX:
    case InputKind::PointerY:
        recordPointer(hud, kind, value);
        break;
    case InputKind::MouseButton:
        // Every button's press selects, at the position of the last pointer report.
        hudHitTest(hud, windowWidth, windowHeight);
        if (value == LEFT_BUTTON) hud->leftDown = 1;
        if (value == RIGHT_BUTTON) hud->rightDown = 1;
        break;
    default:
        break;
    }
}

void releaseInput(Hud* hud, int32_t kind, int32_t value) {
    if (!hud) return;
    switch (kind) {
    case InputKind::Key:
        if (int32_t* flag = keyFlag(hud, value)) *flag = 0;
        break;
    case InputKind::PointerX:
    case InputKind::PointerY:
        recordPointer(hud, kind, value);
        break;
    case InputKind::MouseButton:
        // The selection stays until the next press.
        if (value == LEFT_BUTTON) hud->leftDown = 0;
        if (value == RIGHT_BUTTON) hud->rightDown = 0;
        break;
    default:
        break;
    }
}

void processInput(Hud* hud, float appStep) {
    if (!hud) return;
    float s = FLY_SPEED * appStep;
    Camera* camera = hud->scene ? &hud->scene->camera : nullptr;

    if (camera) {
        if (hud->keyA) moveCamera(camera, -s, 0.0f, 0.0f);
        if (hud->keyD) moveCamera(camera, s, 0.0f, 0.0f);
        if (hud->keyW) moveCamera(camera, 0.0f, 0.0f, -s);
        if (hud->keyS) moveCamera(camera, 0.0f, 0.0f, s);
        if (hud->keyE) moveCamera(camera, 0.0f, s, 0.0f);
        if (hud->keyQ) moveCamera(camera, 0.0f, -s, 0.0f);
    }

    if (hud->clock) {
        if (hud->keyMinus) addTimeRate(hud->clock, -RATE_KEY_STEP);
        if (hud->keyPlus) addTimeRate(hud->clock, RATE_KEY_STEP);
    }

    bool dragged = false;
    if (hud->leftDown == 1) {
        if (hud->overHud == 0) {
            if (camera) {
                turnCamera(camera, 0.0f, static_cast<float>(hud->mouseX - hud->prevX), 0.0f);
                turnCamera(camera, static_cast<float>(hud->prevY - hud->mouseY), 0.0f, 0.0f);
            }
            dragged = true;
        } else if (hud->overButton == 1 && hud->hitButton >= 0 &&
                   hud->hitButton < hud->buttonCount) {
            Button& button = hud->buttons[hud->hitButton];
            if (button.action) button.action(button.actionValues, hud);
        }
    }

    if (hud->rightDown == 1 && hud->overHud == 0) {
        if (camera) {
            moveCamera(camera, 0.0f, 0.0f, static_cast<float>(hud->mouseX - hud->prevX) * s);
        }
        hud->prevX = hud->mouseX;
        hud->prevY = hud->mouseY;
    } else if (dragged) {
        hud->prevX = hud->mouseX;
        hud->prevY = hud->mouseY;
    }
}

void pressInput(Hud* hud, int32_t kind, int32_t value) {
    if (!hud) return;
    int32_t width = 0;
    int32_t height = 0;
    if (kind == InputKind::MouseButton) {
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
    }
    pressInputAt(hud, kind, value, width, height);
}

void onMouse(int button, int state, int x, int y) {
    // The press is tested at the last motion report, before this event's own position is stored.
    if (state == GLUT_DOWN) pressInput(&engine::hud, InputKind::MouseButton, button);
    if (state == GLUT_UP) releaseInput(&engine::hud, InputKind::MouseButton, button);
    pressInput(&engine::hud, InputKind::PointerX, x);
    pressInput(&engine::hud, InputKind::PointerY, y);
}

void onMotion(int x, int y) {
    pressInput(&engine::hud, InputKind::PointerX, x);
    pressInput(&engine::hud, InputKind::PointerY, y);
}

void onKeyDown(unsigned char key, int x, int y) {
    (void)x;
    (void)y;
    pressInput(&engine::hud, InputKind::Key, key);
    // A held key then gives one press and one release instead of a stream of presses.
    glutIgnoreKeyRepeat(key);
}

void onKeyUp(unsigned char key, int x, int y) {
    (void)x;
    (void)y;
    releaseInput(&engine::hud, InputKind::Key, key);
}
