// Loading a scene file in two steps: readSceneText opens the file, parses it completely into
// plain records (no GL), reads the mesh files it names and checks them, and applySceneText fills
// the scene, lists, registry and HUD from a text that parsed; the registry reads each texture file
// once, and the warnings about texture files come from what it found. Nothing is touched unless
// the whole file is well formed, so a broken edit costs only its message. Messages name the path
// as given: "ERROR: '%s' failed to open.\n" (stdout), one "ERROR: '%s' line N: ..." parse error
// with the "note: ..." lines that explain it under it, or "WARNING: '%s' line N: ..." lines
// (stderr), and "File Load (\"%s\"): Success\n" (stdout). An error inside a mesh file names the
// mesh file (its path as opened) and its own line.
#pragma once

#include "anim/keyframe.h"
#include "loader/notes.h"
#include "loader/parse.h"
#include "loader/warnings.h"
#include "sim/physics.h"

#include <string>
#include <vector>

struct Scene;
struct Hud;
struct Resources;

struct SceneText {
    int32_t ok;                         // 1: opened and parsed; description may be applied
    std::string error;                  // the error line as printed, without the newline
    std::vector<std::string> notes;     // what explains the error, as printed under it
    std::vector<std::string> warnings;  // as printed, without the newlines (once applied)
    std::vector<SceneWarning> checks;   // the warnings found in the records alone
    std::vector<TextureUse> textures;   // the image files named, for the warnings about them
    std::vector<std::string> meshFiles; // every mesh file a text that parsed names, as opened
    SceneDescription description;
};

// Reads and parses the file, reads the mesh files it names (looked up in sceneFolder, "" for
// the current folder, unless absolute) and, when all of them parse, runs the checks of the
// records. Prints the error and its notes; the warnings wait for the texture files, which the
// apply step reads.
SceneText readSceneText(const char* path, const char* sceneFolder);
// Applies a text that parsed (ok 1): the registry reads the texture files from its folder; then
// fills `warnings` with every warning in line order, prints them and the success line with the
// path. The description is consumed.
void applySceneText(SceneText* text, const char* path, Scene* scene, KeyframerList* keyframers,
                    ForceList* forces, Hud* hud, Resources* resources);

// Both steps, texture names resolved against the registry's folder.
void loadScene(const char* path, Scene* scene, KeyframerList* keyframers, ForceList* forces,
               Hud* hud, Resources* resources);

// A scene as krestel and krestel-check take it on the command line: a folder means the
// scene.txt inside it; otherwise the file itself. `folder` is where the scene's texture and mesh
// file names resolve: the argument's folder ("" for the current one).
struct ScenePath {
    std::string file;
    std::string folder;
};
ScenePath resolveScenePath(const std::string& argument);

// A file name of the scene (TEXTURE, MESHFILE) as opened: inside the scene's folder unless it is
// absolute or the folder is "".
std::string pathInSceneFolder(const std::string& folder, const std::string& name);

// The largest mesh file read: far beyond any mesh a scene draws at interactive rates, and a
// bound on what a file that never ends (a device, a pipe) could make the loader read.
inline constexpr int64_t MAX_MESH_FILE_BYTES = int64_t{256} << 20;

// Reads the mesh file at `path` (as opened) into the mesh. A file that cannot be opened, is not
// a plain file or is larger than MAX_MESH_FILE_BYTES gives FileUnreadable at the MESHFILE line
// (an error of the scene file); any other error is the mesh file's, at its own line. The notes
// that explain an error go to `notes`.
ParseError readMeshFile(const std::string& path, MeshDescription* mesh,
                        std::vector<SceneNote>* notes);
// The text alone (what krestel-check reads), FileUnreadable errors at `line`.
ParseError readMeshFileText(const std::string& path, int32_t line, std::string* text);
