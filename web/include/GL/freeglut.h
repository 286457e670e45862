// Emscripten ships GLUT's standard header only; the engine's app files include freeglut's. The web
// build answers the few GLUT calls they make in app/web_glut.cpp.
#pragma once

#include <GL/freeglut_std.h>
