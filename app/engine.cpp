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

#include "app/input.h"
#include "app/screenshot.h"
#include "app/watch.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "render/frame.h"
#include "render/gl_backend.h"
#include "sim/particles.h"

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
    FileWatch watch;
    std::string screenshotPath;
    double screenshotAfter = 0.0;
    bool screenshotDue = false;
};
LoadState load;

// What each display turn draws; reused, so drawing allocates nothing once it has grown.
FrameRecords frameRecords;

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

void freeKeyframers(KeyframerList* keyframers) {
    for (int32_t i = 0; i < keyframers->count; ++i) {
        Keyframer* keyframer = keyframers->items[i];
        for (Keyframe* key = keyframer->keys; key;) {
            Keyframe* next = key->next;
            std::free(key);
            key = next;
        }
        std::free(keyframer);
    }
    std::free(keyframers->items);
    std::free(keyframers);
}

void freeForces(ForceList* forces) {
    std::free(forces->items);
    std::free(forces);
}

// The HUD keeps its input state and action table; its panels and buttons belong to the scene.
void clearHudScene(Hud* hud, Scene* scene, Resources* resources) {
    std::free(hud->backgrounds);
    std::free(hud->buttons);
    hud->backgrounds = nullptr;
    hud->buttons = nullptr;
    hud->backgroundCount = 0;
    hud->buttonCount = 0;
    // A press held on a button of the old HUD does not carry over to whatever stands there now.
    hud->hitButton = 0;
    hud->overHud = 0;
    hud->overButton = 0;
    hud->scene = scene;
    hud->resources = resources;
}
} // namespace

void initEngine(const char* scenePath, const char* sceneFolder) {
    using namespace engine;
    load.scenePath = scenePath;
    load.sceneFolder = sceneFolder;
    glutReshapeWindow(800, 600);
    glClearColor(CLEAR_COLOUR.r, CLEAR_COLOUR.g, CLEAR_COLOUR.b, CLEAR_COLOUR.a);
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
    FileStamp sceneStamp = statFile(load.scenePath);
    SceneText text = readSceneText(load.scenePath.c_str(), load.sceneFolder.c_str());
    showLoadMessages(text);
    applySceneText(std::move(text), load.scenePath.c_str(), scene, keyframers, forces, &hud,
                   resources);
    watchSceneFiles(sceneStamp);
    updateClock(clock);
    // Whole seconds since GLUT started: 0 after a fast load, so emission repeats run to run.
    srand15(static_cast<uint32_t>(static_cast<int64_t>(getAppTime(clock))));
    updateTransforms(scene);
}

void onDisplay() {
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    clearFrameRecords(&frameRecords);
    recordFrame(&frameRecords, engine::scene, engine::resources, width, height);
    recordHud(&frameRecords, &engine::hud, engine::resources, width, height);
    if (load.panelOpen) {
        std::vector<const char*> lines;
        for (const std::string& line : load.messages) lines.push_back(line.c_str());
        recordMessagePanel(&frameRecords, engine::resources, lines.data(),
                           static_cast<int32_t>(lines.size()), width, height, hudGlyphWidths());
    }
    drawFrameRecords(frameRecords, engine::resources);
    takeRequestedScreenshot();
    if (load.screenshotDue) {
        // Read before the swap: the back buffer holds the frame just drawn.
        if (!writeWindowPng(load.screenshotPath.c_str())) std::exit(1);
        std::printf("%s\n", load.screenshotPath.c_str());
        std::fflush(stdout);
        std::exit(0);
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
void reloadScene() {
    using namespace engine;
    FileStamp sceneStamp = statFile(load.scenePath);
    SceneText text = readSceneText(load.scenePath.c_str(), load.sceneFolder.c_str());
    showLoadMessages(text);
    if (!text.ok) {
        // What was read has been reported; only a later save reloads it again.
        if (!load.watch.files.empty()) load.watch.files[0].stamp = sceneStamp;
        load.watch.pending = 0;
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
    applySceneText(std::move(text), load.scenePath.c_str(), scene, keyframers, forces, &hud,
                   resources);
    scene->camera = oldScene->camera;
    freeScene(oldScene);
    freeKeyframers(oldKeyframers);
    freeForces(oldForces);
    freeResources(oldResources);
    updateTransforms(scene); // a redisplay may come before the next idle turn
    watchSceneFiles(sceneStamp);
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
