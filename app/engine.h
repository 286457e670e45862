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
