// Input handling in two stages: the GLUT callbacks (app/engine.cpp) only record what happened in
// the Hud (pressInputAt, releaseInput, recordRequest); once per idle turn processInput applies the
// held keys and drags and the engine acts on the requests. No GLUT here: the hit test is handed
// the window size.
#pragma once

#include <cstdint>
#include <vector>

struct Hud;
struct Resources;
struct Scene;

struct InputKind {
    enum : int32_t { Key = 0, PointerX = 1, PointerY = 2, MouseButton = 3 };
};

// What a key asks of the engine as a whole: Escape quits, F1 the message panel, F2 the frame-rate
// line, F3 the camera's line, F5 a reload, F12 a screenshot, Home the camera back home.
struct Request {
    enum : int32_t {
        Quit = 0,
        MessagePanel = 1,
        FrameStats = 2,
        CameraLine = 3,
        Reload = 4,
        Screenshot = 5,
        CameraHome = 6
    };
};

void pressInputAt(Hud* hud, int32_t kind, int32_t value, int32_t windowWidth, int32_t windowHeight);
void releaseInput(Hud* hud, int32_t kind, int32_t value);
// Queues a request behind those recorded since the last idle turn; past MAX_REQUESTS it is
// dropped (no hand presses that many keys within one frame).
void recordRequest(Hud* hud, int32_t request);
// The requests recorded since the last call, oldest first; the queue is then empty.
std::vector<int32_t> takeRequests(Hud* hud);
void processInput(Hud* hud, float appStep);
// A reload: the HUD's panels and buttons go with the old scene; its input state and action table
// stay. A press held on a button of the old HUD runs nothing that stands there now, and a press
// that began on the HUD still turns no view.
void clearHudScene(Hud* hud, Scene* scene, Resources* resources);
// F2: shows or hides the frame-rate line, starting its average afresh.
void toggleFrameStats(Hud* hud);
