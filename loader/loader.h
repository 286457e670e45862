// Loading a scene file in two steps: readSceneText opens the file, parses it completely into
// plain records (no GL) and checks them, and applySceneText fills the scene, lists, registry and
// HUD from a text that parsed; the registry reads each texture file once, and the warnings about
// texture files come from what it found. Nothing is touched unless the whole file is well formed,
// so a broken edit costs only its message. Messages name the path as given: "ERROR: '%s' failed
// to open.\n" (stdout), one "ERROR: '%s' line N: ..." parse error or "WARNING: '%s' line N: ..."
// lines (stderr), and "File Load (\"%s\"): Success\n" (stdout).
#pragma once

#include "anim/keyframe.h"
#include "loader/parse.h"
#include "loader/warnings.h"
#include "sim/physics.h"

#include <string>
#include <vector>

struct Scene;
struct Hud;
struct Resources;

struct SceneText {
    int32_t ok;                        // 1: opened and parsed; description may be applied
    std::string error;                 // the error line as printed, without the newline
    std::vector<std::string> warnings; // as printed, without the newlines (once applied)
    std::vector<SceneWarning> checks;  // the warnings found in the records alone
    std::vector<TextureUse> textures;  // the image files named, for the warnings about them
    SceneDescription description;
};

// Reads and parses the file and, when it parses, runs the checks of the records. Prints the
// error; the warnings wait for the texture files, which the apply step reads.
SceneText readSceneText(const char* path);
// Applies a text that parsed (ok 1): the registry reads the texture files from its folder; then
// fills `warnings` with every warning in line order, prints them and the success line with the
// path. The description is consumed.
void applySceneText(SceneText* text, const char* path, Scene* scene, KeyframerList* keyframers,
                    ForceList* forces, Hud* hud, Resources* resources);

// Both steps, texture names resolved against the registry's folder.
void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources);
