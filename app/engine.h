// Start-up and the frame loop: the seven global objects and the engine's own state beside them,
// initEngine, the GLUT callbacks (display, reshape, idle and input), and the idle turn's work on
// the requests the input recorded.
#pragma once

#include <functional>
#include <string>

#include "anim/keyframe.h"
#include "app/panel.h"
#include "app/watch.h"
#include "core/camera.h"
#include "core/clock.h"
#include "hud/hud.h"
#include "render/frame_records.h"
#include "scene/scene.h"
#include "sim/physics.h"
#include "texture/registry.h"

// What the engine keeps besides the scene: the files it loads and watches, the message panel,
// the screenshots asked for, where the scene file places the camera, and the frame's records.
struct EngineState {
    std::string scenePath = "scene.txt"; // as the user named it; messages quote it so
    std::string sceneFolder;             // texture names resolve and F12 writes here; "" = here
    FileWatch watch{};
    MessagePanel panel{};
    int32_t failed = 0;                 // the last load or reload did not parse
    Float3 home{};                      // the camera position of the last load that parsed
    float lastAspect = 800.0f / 600.0f; // kept while the window is minimised to a height of 0
    int32_t shotWanted = 0;             // F12: the next frame drawn is written beside the scene
    std::string exitShotPath;           // --screenshot: written, then the program ends
    double exitShotAfter = 0.0;         // application seconds
    int32_t exitShotDue = 0;
    int32_t quit = 0; // Escape: the turn that saw it ends the program
    FrameRecords frame; // what each display turn draws; reused, so drawing stops allocating
};

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
extern EngineState state;
} // namespace engine

inline constexpr const char* WINDOW_TITLE = "Tolvane - Krestel Engine";

// Start-up. The scene file is named as the user gave it (messages quote it so); relative
// texture names resolve against sceneFolder ("" for the working folder).
void initEngine(const char* scenePath = "scene.txt", const char* sceneFolder = "");
// --screenshot: once application time reaches afterSeconds, the next frame is written to path
// as PNG, the path printed, and the program ends with status 0, or 3 when the last load or
// reload of the scene failed (the picture then shows the error panel).
void exitAfterScreenshot(const char* path, double afterSeconds);
void onDisplay();
void onReshape(int width, int height);
void onIdle();
void onMouse(int button, int buttonState, int x, int y);
void onMotion(int x, int y);
// Escape is a request to quit; the other keys are recorded for processInput.
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
// F1, F2, F3, F5, F12 and Home: each press is one request (Request, app/input.h).
void onSpecialKey(int key, int x, int y);

// Acts on the requests recorded since the last turn, each once and in the order they came; after
// Quit nothing more. A reload replaces the engine's globals, and absorbs its own time: the clock
// is brought to elapsedMs() read after it, so no turn steps physics, births or held keys by the
// time the load took.
void actOnRequests(EngineState* state, Hud* hud, const std::function<uint32_t()>& elapsedMs);
// Reads the scene file again and replaces the running scene only if the new text parses; the
// free camera and the clocks carry over.
void reloadScene(EngineState* state = &engine::state);
// The camera position as the scene camera's entity record holds it, e.g.
// "POSITION: 0 1.5 6 ROTATION: 0 0 1 0 SCALE: 1 1 1"; each number reads back as the same float.
std::string cameraEntityLine(Float3 position);
