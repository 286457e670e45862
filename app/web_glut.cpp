// The GLUT calls that the engine's app files make, answered in the browser: the window is the
// page's canvas, the elapsed time comes from the browser's clock, and the page redraws every
// animation frame, so redisplay requests and buffer swaps need nothing. Web build only.
#include <GL/freeglut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

namespace {

constexpr const char* CANVAS = "#canvas";

double startMs() {
    static const double start = emscripten_get_now();
    return start;
}

} // namespace

extern "C" {

int glutGet(GLenum what) {
    int width = 0;
    int height = 0;
    switch (what) {
    case GLUT_WINDOW_WIDTH:
        emscripten_get_canvas_element_size(CANVAS, &width, &height);
        return width;
    case GLUT_WINDOW_HEIGHT:
        emscripten_get_canvas_element_size(CANVAS, &width, &height);
        return height;
    case GLUT_ELAPSED_TIME:
        return static_cast<int>(emscripten_get_now() - startMs());
    default:
        return 0;
    }
}

void glutReshapeWindow(int width, int height) {
    emscripten_set_canvas_element_size(CANVAS, width, height);
}

void glutPostRedisplay() {}

void glutSwapBuffers() {}

void glutIgnoreKeyRepeat(int ignore) {
    (void)ignore; // the page drops repeated key events itself
}

} // extern "C"

// Starts the elapsed-time clock, as glutInit does on the desktop.
void startWebGlutClock() {
    startMs();
}
