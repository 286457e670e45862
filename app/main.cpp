// The program entry: one GLUT window, the engine's start-up, the callbacks and the main loop.
#include <GL/freeglut.h>

#include <cstdio>

#include "app/engine.h"
#include "app/input.h"

int main(int argc, char** argv) {
    // Line-buffered so the load messages reach a log file or pipe as soon as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow(WINDOW_TITLE);
    initEngine();
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onMotion);
    glutKeyboardFunc(onKeyDown);
    glutKeyboardUpFunc(onKeyUp);
    glutIdleFunc(onIdle);
    glutMainLoop();
    return 0;
}
