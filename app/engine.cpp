// Start-up and the frame loop: creates the engine's global objects in a fixed order, loads the
// scene, and runs the idle and display sequences; the input callbacks record, the idle turn acts
// on what they recorded (reloads, the message panel, screenshots, the camera line). This is where
// GLUT meets the engine.
#include "app/engine.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/glut_clock.h"
#include "app/input.h"
#include "app/screenshot.h"
#include "app/watch.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "loader/write_records.h"
#include "render/frame.h"
#include "render/gl_backend.h"
#include "render/gl_textures.h"
#include "sim/particles.h"

// Where the demo lies, for the hint printed when no scene is found; the build fills them in.
#ifndef KRESTEL_INSTALL_PREFIX
#define KRESTEL_INSTALL_PREFIX "/usr/local"
#endif
#ifndef KRESTEL_PACKAGE_PREFIX
#define KRESTEL_PACKAGE_PREFIX "/usr"
#endif
#ifndef KRESTEL_SOURCE_DEMO
#define KRESTEL_SOURCE_DEMO "demo"
#endif

namespace engine {
Scene* scene = nullptr;
KeyframerList* keyframers = nullptr;
ForceList* forces = nullptr;
Clock* clock = nullptr;
Camera* viewpoint = nullptr;
Resources* resources = nullptr;
Hud hud;
EngineState state;
} // namespace engine

namespace {

// Whether two paths name the same folder, however they are spelled (links, "..", ...).
bool sameFolder(const std::string& a, const std::string& b) {
    struct stat infoA {};
    struct stat infoB {};
    return stat(a.c_str(), &infoA) == 0 && stat(b.c_str(), &infoB) == 0 &&
           infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

// One line on stderr naming the demo's folder: the installed copy when this program is the
// installed one (it runs from the bin folder of `cmake --install` or of the package), else the
// source tree's demo/ beside the build.
void printDemoHint() {
    char program[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    const std::string path = length > 0 ? std::string(program, static_cast<size_t>(length)) : "";
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    for (const char* prefix : {KRESTEL_INSTALL_PREFIX, KRESTEL_PACKAGE_PREFIX}) {
        if (!folder.empty() && sameFolder(folder, std::string(prefix) + "/bin")) {
            const std::string demo = std::string(prefix) + "/share/krestel/demo";
            std::fprintf(stderr, "The demo is in %s; to see it: krestel %s\n", demo.c_str(),
                         demo.c_str());
            return;
        }
    }
    char canonical[PATH_MAX] = {};
    const char* demo = realpath(KRESTEL_SOURCE_DEMO, canonical) ? canonical : KRESTEL_SOURCE_DEMO;
    std::fprintf(stderr, "The demo is in %s; to see it: %s %s\n", demo,
                 path.empty() ? "krestel" : path.c_str(), demo);
}

// The scene file, the mesh files it names and every image file the registry read from (or tried
// to). The scene file's stamp is the one taken before it was read, so a save during the load is
// still seen.
void watchSceneFiles(EngineState* state, FileStamp sceneStamp,
                     const std::vector<std::string>& meshFiles) {
    std::vector<std::string> paths{state->scenePath};
    paths.insert(paths.end(), meshFiles.begin(), meshFiles.end());
    const TextureRegistry& registry = engine::resources->textures;
    for (int32_t i = 1; i < registry.count; ++i) {
        const Texture& entry = registry.entries[i];
        if (entry.textureType == TextureType::STATIC && entry.fileName[0] != '\0') {
            paths.push_back(texturePath(&registry, entry.fileName));
        }
    }
    state->watch = startFileWatch(paths, getAppTime(engine::clock));
    state->watch.files[0].stamp = sceneStamp;
}

void showLoadMessages(EngineState* state, const SceneText& text) {
    state->failed = !text.ok;
    showLoadMessages(&state->panel, text.ok, text.error, text.warnings, text.notes);
}

Resources* createSceneResources(const EngineState* state, int32_t drawBoundings) {
    Resources* resources = createResources(glTextureHooks());
    resources->textures.folder = state->sceneFolder.c_str();
    resources->viewpoint = *engine::viewpoint;
    resources->drawBoundings = drawBoundings;
    return resources;
}

// At exit, however the program ends (Escape, the window closed, a screenshot written), so that a
// leak check finds nothing of the engine's. No GL call: the context may be gone already, and the
// textures go with the process.
void freeEngine() {
    using namespace engine;
    freeHud(&hud);
    freeScene(scene);
    freeKeyframers(keyframers);
    freeForces(forces);
    freeResources(resources);
    std::free(engine::clock);
    delete viewpoint;
    scene = nullptr;
    keyframers = nullptr;
    forces = nullptr;
    resources = nullptr;
    engine::clock = nullptr;
    viewpoint = nullptr;
}

uint32_t glutElapsedMs() {
    return static_cast<uint32_t>(glutGet(GLUT_ELAPSED_TIME));
}

// F12's shot, after the HUD and the panel are drawn and before the swap.
void takeRequestedScreenshot() {
    if (!engine::state.shotWanted) return;
    engine::state.shotWanted = 0;
    writeScreenshotBeside(engine::state.sceneFolder);
}

} // namespace

void initEngine(const char* scenePath, const char* sceneFolder) {
    using namespace engine;
    state.scenePath = scenePath;
    state.sceneFolder = sceneFolder;
    glutReshapeWindow(800, 600);
    glClearColor(CLEAR_COLOUR.r, CLEAR_COLOUR.g, CLEAR_COLOUR.b, CLEAR_COLOUR.a);
    glClearDepth(10.0); // clamped to 1.0 by GL
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    scene = createScene();
    keyframers = createList<Keyframer>();
    forces = createRecordList<Force>();
    engine::clock = createClock();
    viewpoint = new Camera(createCamera());
    resources = createSceneResources(&state, 0);
    initHud(&hud, scene, viewpoint, engine::clock, resources);
    // Once, however often the engine is started (the benchmarks start it once per scene).
    static const bool freedAtExit = std::atexit(freeEngine) == 0;
    (void)freedAtExit;
    FileStamp sceneStamp = statFile(state.scenePath);
    SceneText text = readSceneText(state.scenePath.c_str(), state.sceneFolder.c_str());
    if (!sceneStamp.exists) printDemoHint();
    applySceneText(&text, state.scenePath.c_str(), scene, keyframers, forces, &hud, resources);
    showLoadMessages(&state, text);
    state.home = scene->camera.position;
    watchSceneFiles(&state, sceneStamp, text.meshFiles);
    absorbClock(engine::clock);
    // Whole seconds since GLUT started: 0 after a fast load, so emission repeats run to run.
    srand15(static_cast<uint32_t>(static_cast<int64_t>(getAppTime(engine::clock))));
    updateTransforms(scene);
}

void onDisplay() {
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    FrameRecords& frame = engine::state.frame;
    clearFrameRecords(&frame);
    recordFrame(&frame, engine::scene, engine::resources, width, height);
    recordHud(&frame, &engine::hud, engine::resources, width, height);
    if (engine::state.panel.open) {
        const std::vector<const char*> lines = panelLines(engine::state.panel);
        recordMessagePanel(&frame, engine::resources, lines.data(),
                           static_cast<int32_t>(lines.size()), width, height, hudGlyphWidths());
    }
    drawFrameRecords(frame, engine::resources);
    takeRequestedScreenshot();
    if (engine::state.exitShotDue) {
        // Read before the swap: the back buffer holds the frame just drawn.
        const char* path = engine::state.exitShotPath.c_str();
        if (!writeWindowPng(path)) std::exit(1);
        std::printf("%s\n", path);
        std::fflush(stdout);
        std::exit(engine::state.failed ? 3 : 0);
    }
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    float& aspect = engine::state.lastAspect;
    aspect = windowAspect(width, height, aspect);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, aspect, 0.1, 1000);
    glMatrixMode(GL_MODELVIEW);
}

void onIdle() {
    using namespace engine;
    updateClock(engine::clock);
    if (pollFileWatch(&state.watch, getAppTime(engine::clock)))
        recordRequest(&hud, Request::Reload);
    actOnRequests(&state, &hud, glutElapsedMs);
    if (state.quit) std::exit(0);
    if (!state.exitShotPath.empty() && getAppTime(engine::clock) >= state.exitShotAfter) {
        state.exitShotDue = 1;
    }
    processInput(&hud, static_cast<float>(getAppDelta(engine::clock)));
    animateScene(keyframers, scene, static_cast<float>(getSimTime(engine::clock)));
    stepSimulation(forces, scene, static_cast<float>(getSimDelta(engine::clock)),
                   &resources->particleSystems);
    updateTransforms(scene);
    glutPostRedisplay();
}

// Parses first; only a text that parsed replaces the scene, and it replaces it whole. The free
// camera, the clocks and time rate, the bounding-box switch and the HUD's input state carry over.
void reloadScene(EngineState* state) {
    using namespace engine;
    FileStamp sceneStamp = statFile(state->scenePath);
    SceneText text = readSceneText(state->scenePath.c_str(), state->sceneFolder.c_str());
    if (!text.ok) {
        showLoadMessages(state, text);
        // What was read has been reported; only a later save reloads it again. Mesh files the
        // broken text names are watched from now on too, so that saving the fix of one reloads.
        if (!state->watch.files.empty()) state->watch.files[0].stamp = sceneStamp;
        for (const std::string& path : text.meshFiles) {
            bool watched = false;
            for (const WatchedFile& file : state->watch.files)
                watched = watched || file.path == path;
            if (!watched) state->watch.files.push_back({path, statFile(path)});
        }
        state->watch.pending = 0;
        return;
    }
    Scene* oldScene = scene;
    KeyframerList* oldKeyframers = keyframers;
    ForceList* oldForces = forces;
    Resources* oldResources = resources;
    scene = createScene();
    keyframers = createList<Keyframer>();
    forces = createRecordList<Force>();
    resources = createSceneResources(state, oldResources->drawBoundings);
    clearHudScene(&hud, scene, resources);
    applySceneText(&text, state->scenePath.c_str(), scene, keyframers, forces, &hud, resources);
    showLoadMessages(state, text);
    state->home = scene->camera.position;
    scene->camera = oldScene->camera;
    freeScene(oldScene);
    freeKeyframers(oldKeyframers);
    freeForces(oldForces);
    deleteTextureObjects(oldResources);
    freeResources(oldResources);
    updateTransforms(scene); // a redisplay may come before the next idle turn
    watchSceneFiles(state, sceneStamp, text.meshFiles);
}

void actOnRequests(EngineState* state, Hud* hud, const std::function<uint32_t()>& elapsedMs) {
    Camera* camera = hud && hud->scene ? &hud->scene->camera : nullptr;
    for (int32_t request : takeRequests(hud)) {
        switch (request) {
        case Request::Quit:
            state->quit = 1;
            return;
        case Request::MessagePanel:
            toggleMessagePanel(&state->panel);
            break;
        case Request::FrameStats:
            toggleFrameStats(hud);
            break;
        case Request::CameraLine:
            if (camera) {
                const std::string line = cameraEntityLine(camera->position);
                std::printf("%s\n", line.c_str());
                showCameraLine(&state->panel, line);
            }
            break;
        case Request::CameraHome:
            if (camera) {
                setCameraPosition(camera, state->home.x, state->home.y, state->home.z);
                setCameraAngles(camera, 0.0f, 0.0f, 0.0f);
            }
            break;
        case Request::Reload:
            reloadScene(state);
            // The reload replaced the scene: the camera is the new scene's.
            camera = hud && hud->scene ? &hud->scene->camera : nullptr;
            if (hud && hud->clock) absorbClockAt(hud->clock, elapsedMs());
            break;
        case Request::Screenshot:
            state->shotWanted = 1;
            break;
        default:
            break;
        }
    }
}

std::string cameraEntityLine(Float3 position) {
    return "POSITION: " + numbersText({position.x, position.y, position.z}) +
           " ROTATION: 0 0 1 0 SCALE: 1 1 1";
}

void exitAfterScreenshot(const char* path, double afterSeconds) {
    engine::state.exitShotPath = path;
    engine::state.exitShotAfter = afterSeconds;
}

// The input callbacks record and return; the next idle turn applies what they recorded.

void onMouse(int button, int buttonState, int x, int y) {
    // The press is tested at the last motion report, before this event's own position is stored.
    if (buttonState == GLUT_DOWN) {
        pressInputAt(&engine::hud, InputKind::MouseButton, button, glutGet(GLUT_WINDOW_WIDTH),
                     glutGet(GLUT_WINDOW_HEIGHT));
    }
    if (buttonState == GLUT_UP) releaseInput(&engine::hud, InputKind::MouseButton, button);
    onMotion(x, y);
}

void onMotion(int x, int y) {
    // A pointer report needs no window size.
    pressInputAt(&engine::hud, InputKind::PointerX, x, 0, 0);
    pressInputAt(&engine::hud, InputKind::PointerY, y, 0, 0);
}

void onKeyDown(unsigned char key, int x, int y) {
    (void)x;
    (void)y;
    constexpr unsigned char ESCAPE = 27;
    if (key == ESCAPE) {
        recordRequest(&engine::hud, Request::Quit);
        return;
    }
    pressInputAt(&engine::hud, InputKind::Key, key, 0, 0);
    // A held key then gives one press and one release instead of a stream of presses.
    glutIgnoreKeyRepeat(key);
}

void onKeyUp(unsigned char key, int x, int y) {
    (void)x;
    (void)y;
    releaseInput(&engine::hud, InputKind::Key, key);
}

void onSpecialKey(int key, int x, int y) {
    (void)x;
    (void)y;
    // A held function key asks once: no stream of reloads, toggles or screenshots.
    glutIgnoreKeyRepeat(1);
    constexpr struct {
        int key;
        int32_t request;
    } keys[] = {{GLUT_KEY_F1, Request::MessagePanel}, {GLUT_KEY_F2, Request::FrameStats},
                {GLUT_KEY_F3, Request::CameraLine},   {GLUT_KEY_F5, Request::Reload},
                {GLUT_KEY_F12, Request::Screenshot},  {GLUT_KEY_HOME, Request::CameraHome}};
    for (const auto& entry : keys) {
        if (entry.key == key) recordRequest(&engine::hud, entry.request);
    }
}
