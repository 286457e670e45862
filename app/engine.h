// Start-up and the frame loop: the seven global objects, initEngine, and the display, reshape
// and idle callbacks.
#pragma once

#include "anim/keyframe.h"
#include "app/clock.h"
#include "hud/hud.h"
#include "render/camera.h"
#include "scene/scene.h"
#include "sim/physics.h"
#include "texture/registry.h"

// The engine's state, made by initEngine. A reload replaces the scene, keyframers, forces and
// resources whole and frees the old ones; everything is freed at exit.
namespace engine {
extern Scene* scene;
extern KeyframerList* keyframers;
extern ForceList* forces;
extern Clock* clock;
extern Camera* viewpoint;
extern Resources* resources;
extern Hud hud;
} // namespace engine

inline constexpr const char* WINDOW_TITLE = "Tolvane - Krestel Engine";

// Start-up. The scene file is named as the user gave it (messages quote it so); relative
// texture names resolve against sceneFolder ("" for the working folder).
void initEngine(const char* scenePath = "scene.txt", const char* sceneFolder = "");
// --screenshot: once application time reaches afterSeconds, the next frame is written to path
// as PNG, the path printed, and the program ends with status 0, or 3 when the last load or
// reload of the scene failed (the picture then shows the error panel).
void exitAfterScreenshot(const char* path, double afterSeconds);
// The folder of the scene file, where F12 writes its screenshots ("" for the working folder).
const char* engineSceneFolder();
void onDisplay();
void onReshape(int width, int height);
void onIdle();

// Reads the scene file again and replaces the running scene only if the new text parses; the
// free camera and the clocks carry over.
void reloadScene();
// Opens or closes the panel of load errors and warnings at the top of the window.
void toggleMessagePanel();
