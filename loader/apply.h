// Applying a parsed scene description to the engine's objects: the HUD, the force list, the
// resources (textures, particle systems, meshes), the scene and the keyframer list, strictly in
// file order so texture indices come out in the order the file names them. Needs a GL context
// (loadTexture uploads images). Prints nothing.
#pragma once

#include "anim/keyframe.h"
#include "loader/parse.h"
#include "sim/physics.h"

struct Scene;
struct Hud;
struct Resources;

void applySceneDescription(const SceneDescription& description, Scene* scene,
                           KeyframerList* keyframers, ForceList* forces, Hud* hud,
                           Resources* resources);
// The same, consuming the description: each mesh's arrays are freed as soon as the mesh list
// holds its copy (what loadScene does, to keep the load's peak memory down).
void applySceneDescription(SceneDescription&& description, Scene* scene, KeyframerList* keyframers,
                           ForceList* forces, Hud* hud, Resources* resources);
