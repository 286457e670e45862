// Loading a scene file in two steps: readSceneText opens the file and parses it completely into
// plain records (no GL), and applySceneText fills the scene, lists, registry and HUD from a text
// that parsed. Nothing is touched unless the whole file is well formed, so a broken edit costs
// only its message. Messages name the path as given: "ERROR: '%s' failed to open.\n" (stdout),
// one "ERROR: '%s' line N: ..." parse error or "WARNING: '%s' line N: ..." lines (stderr), and
// "File Load (\"%s\"): Success\n" (stdout).
#pragma once

#include "anim/keyframe.h"
#include "loader/parse.h"
#include "sim/physics.h"

#include <string>
#include <vector>

struct Scene;
struct Hud;
struct Resources;

struct SceneText {
    int32_t ok;                        // 1: opened and parsed; description may be applied
    std::string error;                 // the error line as printed, without the newline
    std::vector<std::string> warnings; // as printed, without the newlines
    SceneDescription description;
};

// Reads and parses the file and, when it parses, runs the warning checks (texture files looked
// up in sceneFolder, "" for the current folder). Prints the error or the warnings.
SceneText readSceneText(const char* path, const char* sceneFolder);
// Applies a text that parsed (ok 1) and prints the success line with the path.
void applySceneText(SceneText&& text, const char* path, Scene* scene, KeyframerList* keyframers,
                    ForceList* forces, Hud* hud, Resources* resources);

// Both steps, texture names resolved against the current folder.
void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources);
