// Input handling in two stages: the GLUT callbacks only record state in the Hud (pressInput,
// releaseInput), and processInput applies that state once per idle turn. The *At functions are
// the pure core; they take the window size instead of asking GLUT.
#pragma once

#include <cstdint>

struct Hud;
struct Resources;
struct Scene;

struct InputKind {
    enum : int32_t { Key = 0, PointerX = 1, PointerY = 2, MouseButton = 3 };
};

void pressInputAt(Hud* hud, int32_t kind, int32_t value, int32_t windowWidth, int32_t windowHeight);
void releaseInput(Hud* hud, int32_t kind, int32_t value);
void processInput(Hud* hud, float appStep);
// A reload: the HUD's panels and buttons go with the old scene; its input state and action table
// stay. A press held on a button of the old HUD runs nothing that stands there now, and a press
// that began on the HUD still turns no view.
void clearHudScene(Hud* hud, Scene* scene, Resources* resources);
// F2: shows or hides the frame-rate line, starting its average afresh.
void toggleFrameStats(Hud* hud);

// GLUT-facing wrappers and callbacks.
void pressInput(Hud* hud, int32_t kind, int32_t value);
void onMouse(int button, int state, int x, int y);
void onMotion(int x, int y);
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
// F1 message panel, F2 frame-rate line, F5 reload, F12 screenshot beside the scene.
void onSpecialKey(int key, int x, int y);
