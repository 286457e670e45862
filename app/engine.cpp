// Start-up and the frame loop: creates the engine's global objects in a fixed order, loads the
// scene, and runs the idle and display sequences. This is where GLUT meets the engine.
#include "app/engine.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdlib>
#include <new>

#include "app/input.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "render/frame.h"
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
}

void initEngine() {
    using namespace engine;
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
    resources = createResources();
    resources->viewpoint = *viewpoint;
    initHud(&hud, scene, viewpoint, clock, resources);
    loadScene("scene.txt", scene, keyframers, forces, &hud, resources);
    updateClock(clock);
    // Whole seconds since GLUT started: 0 after a fast load, so emission repeats run to run.
    srand15(static_cast<uint32_t>(static_cast<int64_t>(getAppTime(clock))));
    updateTransforms(scene);
}

void onDisplay() {
    renderFrame(engine::scene, engine::resources);
    drawHud(&engine::hud, engine::resources);
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
    processInput(&hud, static_cast<float>(getAppDelta(clock)));
    animateScene(keyframers, scene, static_cast<float>(getSimTime(clock)));
    stepSimulation(forces, scene, static_cast<float>(getSimDelta(clock)), resources);
    updateTransforms(scene);
    glutPostRedisplay();
}

void reloadScene() {}

void toggleMessagePanel() {}
