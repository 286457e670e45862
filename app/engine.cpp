// Start-up and the frame loop: creates the engine's global objects in a fixed order, loads the
// scene, and runs the idle and display sequences; reloads the scene when its files are saved and
// keeps the message panel. This is where GLUT meets the engine.
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

#include "app/input.h"
#include "app/screenshot.h"
#include "app/watch.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "render/frame.h"
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
} // namespace engine

namespace {
float lastAspect = 800.0f / 600.0f; // kept while the window is minimised to a height of 0

// What the engine loads and watches, and what the message panel shows.
struct LoadState {
    std::string scenePath = "scene.txt";
    std::string sceneFolder;
    std::vector<std::string> messages; // the last load's error, or its warnings
    bool panelOpen = false;
    bool panelOpenedByError = false; // a good load closes only a panel an error opened
    bool failed = false;             // the last load or reload did not parse
    FileWatch watch;
    std::string screenshotPath;
    double screenshotAfter = 0.0;
    bool screenshotDue = false;
};
LoadState load;

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

// The scene file and every image file the registry read from (or tried to). The scene file's
// stamp is the one taken before it was read, so a save during the load is still seen.
void watchSceneFiles(FileStamp sceneStamp) {
    std::vector<std::string> paths{load.scenePath};
    const TextureRegistry& registry = engine::resources->textures;
    for (int32_t i = 1; i < registry.count; ++i) {
        const Texture& entry = registry.entries[i];
        if (entry.textureType == TextureType::STATIC && entry.fileName[0] != '\0') {
            paths.push_back(texturePath(&registry, entry.fileName));
        }
    }
    load.watch = startFileWatch(paths, getAppTime(engine::clock));
    load.watch.files[0].stamp = sceneStamp;
}

void showLoadMessages(const SceneText& text) {
    load.failed = !text.ok;
    if (!text.ok) {
        load.messages = {text.error};
        load.panelOpenedByError = load.panelOpenedByError || !load.panelOpen;
        load.panelOpen = true;
        return;
    }
    load.messages = text.warnings;
    if (load.panelOpenedByError) load.panelOpen = false;
    load.panelOpenedByError = false;
}

Resources* createSceneResources(int32_t drawBoundings) {
    Resources* resources = createResources();
    resources->textures.folder = load.sceneFolder.c_str();
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
    std::free(clock);
    delete viewpoint;
    scene = nullptr;
    keyframers = nullptr;
    forces = nullptr;
    resources = nullptr;
    clock = nullptr;
    viewpoint = nullptr;
}

} // namespace

void initEngine(const char* scenePath, const char* sceneFolder) {
    using namespace engine;
    load.scenePath = scenePath;
    load.sceneFolder = sceneFolder;
    glutReshapeWindow(800, 600);
    glClearColor(0.85f, 0.85f, 0.95f, 1.0f);
    glClearDepth(10.0); // clamped to 1.0 by GL
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    scene = createScene();
    keyframers = createList<Keyframer>();
    forces = createRecordList<Force>();
    clock = createClock();
    viewpoint = new Camera(createCamera());
    resources = createSceneResources(0);
    initHud(&hud, scene, viewpoint, clock, resources);
    // Once, however often the engine is started (the benchmarks start it once per scene).
    static const bool freedAtExit = std::atexit(freeEngine) == 0;
    (void)freedAtExit;
    FileStamp sceneStamp = statFile(load.scenePath);
    SceneText text = readSceneText(load.scenePath.c_str());
    if (!sceneStamp.exists) printDemoHint();
    applySceneText(&text, load.scenePath.c_str(), scene, keyframers, forces, &hud, resources);
    showLoadMessages(text);
    watchSceneFiles(sceneStamp);
    absorbClock(clock);
    // Whole seconds since GLUT started: 0 after a fast load, so emission repeats run to run.
    srand15(static_cast<uint32_t>(static_cast<int64_t>(getAppTime(clock))));
    updateTransforms(scene);
}

void onDisplay() {
    renderFrame(engine::scene, engine::resources);
    drawHud(&engine::hud, engine::resources);
    if (load.panelOpen) {
        std::vector<const char*> lines;
        for (const std::string& line : load.messages) lines.push_back(line.c_str());
        drawMessagePanel(engine::resources, lines.data(), static_cast<int32_t>(lines.size()));
    }
    takeRequestedScreenshot();
    if (load.screenshotDue) {
        // Read before the swap: the back buffer holds the frame just drawn.
        if (!writeWindowPng(load.screenshotPath.c_str())) std::exit(1);
        std::printf("%s\n", load.screenshotPath.c_str());
        std::fflush(stdout);
        std::exit(load.failed ? 3 : 0);
    }
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    lastAspect = windowAspect(width, height, lastAspect);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, lastAspect, 0.1, 1000);
    glMatrixMode(GL_MODELVIEW);
}

void onIdle() {
    using namespace engine;
    updateClock(clock);
    if (pollFileWatch(&load.watch, getAppTime(clock))) reloadScene();
    if (!load.screenshotPath.empty() && getAppTime(clock) >= load.screenshotAfter) {
        load.screenshotDue = true;
    }
    processInput(&hud, static_cast<float>(getAppDelta(clock)));
    animateScene(keyframers, scene, static_cast<float>(getSimTime(clock)));
    stepSimulation(forces, scene, static_cast<float>(getSimDelta(clock)), resources);
    updateTransforms(scene);
    glutPostRedisplay();
}

// Parses first; only a text that parsed replaces the scene, and it replaces it whole. The free
// camera, the clocks and time rate, the bounding-box switch and the HUD's input state carry over.
// Like start-up, a reload absorbs its own time: the next turn steps as an ordinary turn.
void reloadScene() {
    using namespace engine;
    FileStamp sceneStamp = statFile(load.scenePath);
    SceneText text = readSceneText(load.scenePath.c_str());
    if (!text.ok) {
        showLoadMessages(text);
        // What was read has been reported; only a later save reloads it again.
        if (!load.watch.files.empty()) load.watch.files[0].stamp = sceneStamp;
        load.watch.pending = 0;
        absorbClock(clock);
        return;
    }
    Scene* oldScene = scene;
    KeyframerList* oldKeyframers = keyframers;
    ForceList* oldForces = forces;
    Resources* oldResources = resources;
    scene = createScene();
    keyframers = createList<Keyframer>();
    forces = createRecordList<Force>();
    resources = createSceneResources(oldResources->drawBoundings);
    clearHudScene(&hud, scene, resources);
    applySceneText(&text, load.scenePath.c_str(), scene, keyframers, forces, &hud, resources);
    showLoadMessages(text);
    scene->camera = oldScene->camera;
    freeScene(oldScene);
    freeKeyframers(oldKeyframers);
    freeForces(oldForces);
    deleteTextureObjects(oldResources);
    freeResources(oldResources);
    updateTransforms(scene); // a redisplay may come before the next idle turn
    watchSceneFiles(sceneStamp);
    absorbClock(clock);
}

void toggleMessagePanel() {
    load.panelOpen = !load.panelOpen;
    load.panelOpenedByError = false;
}

void exitAfterScreenshot(const char* path, double afterSeconds) {
    load.screenshotPath = path;
    load.screenshotAfter = afterSeconds;
}

const char* engineSceneFolder() {
    return load.sceneFolder.c_str();
}
