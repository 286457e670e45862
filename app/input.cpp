// Keyboard and mouse input: what the GLUT callbacks report is recorded in the Hud, and
// processInput applies it once per idle turn (camera flight at 8 units per second of application
// time, one degree of turn per pixel dragged, time-rate keys, the held HUD button). The requests
// of Escape and the function keys wait in the Hud for the engine's idle turn. No GLUT here.
#include "app/input.h"

#include <cstdlib>

#include "core/camera.h"
#include "core/clock.h"
#include "hud/actions.h"
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

// Pointer reports only move the current position. The previous one is where the last idle turn
// left the pointer, so a drag uses every report since then, however many arrived.
void recordPointer(Hud* hud, int32_t kind, int32_t value) {
    if (kind == InputKind::PointerX) hud->mouseX = value;
    if (kind == InputKind::PointerY) hud->mouseY = value;
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
        // A drag starts where the button went down, not where the last idle turn saw the
        // pointer; a second button joining a drag keeps the first one's movement.
        if ((value == LEFT_BUTTON || value == RIGHT_BUTTON) && !hud->leftDown && !hud->rightDown) {
            hud->prevX = hud->mouseX;
            hud->prevY = hud->mouseY;
        }
        if (value == LEFT_BUTTON) {
            hud->leftDown = 1;
            hud->heldTurns = 0;
        }
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

void recordRequest(Hud* hud, int32_t request) {
    if (!hud || hud->requestCount < 0 || hud->requestCount >= MAX_REQUESTS) return;
    hud->requests[hud->requestCount++] = request;
}

std::vector<int32_t> takeRequests(Hud* hud) {
    if (!hud || hud->requestCount <= 0) return {};
    std::vector<int32_t> requests(hud->requests, hud->requests + hud->requestCount);
    hud->requestCount = 0;
    return requests;
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

    // The whole pointer movement since the last idle turn, consumed here whether or not a drag
    // uses it: a drag out and back returns the view at any frame rate.
    int32_t dx = hud->mouseX - hud->prevX;
    int32_t dy = hud->prevY - hud->mouseY;
    hud->prevX = hud->mouseX;
    hud->prevY = hud->mouseY;

    if (hud->leftDown == 1) {
        if (hud->overHud == 0) {
            if (camera) {
                turnCamera(camera, 0.0f, static_cast<float>(dx), 0.0f);
                turnCamera(camera, static_cast<float>(dy), 0.0f, 0.0f);
            }
        } else if (hud->overButton == 1 && hud->hitButton >= 0 &&
                   hud->hitButton < hud->buttonCount) {
            Button& button = hud->buttons[hud->hitButton];
            if (button.action) button.action(button.actionValues, hud);
            if (hud->heldTurns < INT32_MAX) ++hud->heldTurns;
        }
    }

    if (hud->rightDown == 1 && hud->overHud == 0 && camera) {
        moveCamera(camera, 0.0f, 0.0f, static_cast<float>(dx) * s);
    }
}

void clearHudScene(Hud* hud, Scene* scene, Resources* resources) {
    freeHudArrays(hud);
    // overHud stays as the press left it: a drag is a drag and a press on a panel is not.
    hud->hitButton = 0;
    hud->overButton = 0;
    hud->scene = scene;
    hud->resources = resources;
}

void toggleFrameStats(Hud* hud) {
    if (!hud) return;
    hud->showFrameStats = hud->showFrameStats ? 0 : 1;
    // A fresh average each time it is shown, not one spanning the time it was hidden.
    hud->frameStats = FrameStats{};
}
