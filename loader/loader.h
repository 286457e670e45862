// Loading "scene.txt": opens the file, parses it completely into plain records (no GL), and only
// when the whole file is well formed applies it to the scene, lists, registry and HUD in file
// order. Prints "ERROR: '%s' failed to open.\n" or a one-line parse error, or
// "File Load (\"%s\"): Success\n".
#pragma once

#include "anim/keyframe.h"
#include "sim/physics.h"

struct Scene;
struct Hud;
struct Resources;

void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources);
