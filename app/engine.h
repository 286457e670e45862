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

// The engine's state. Created once by initEngine and never freed.
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

void initEngine();
void onDisplay();
void onReshape(int width, int height);
void onIdle();

// Reads the scene file again and replaces the running scene only if the new text parses; the
// free camera and the clocks carry over.
void reloadScene();
// Opens or closes the panel of load errors and warnings at the top of the window.
void toggleMessagePanel();
