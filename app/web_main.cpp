// The program entry in the browser: the page has put the scene's files into the in-memory file
// system and calls main with the scene's name. One WebGL context on the page's canvas, the
// engine's start-up, then every animation frame one idle turn and one display, as GLUT runs
// them on the desktop. Keys and the mouse reach the same callbacks the desktop's GLUT calls;
// Escape, F5 (reload) and reloading on save do nothing in a page. Web build only.
#include <GL/freeglut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

#include "app/engine.h"
#include "app/input.h"
#include "app/options.h"
#include "render/webgl_fixed.h"

void startWebGlutClock();

namespace {

constexpr const char* CANVAS = "#canvas";
constexpr int CANVAS_WIDTH = 800;
constexpr int CANVAS_HEIGHT = 600;

bool buttonHeld[3] = {false, false, false};

// The function keys a page passes on; F5 is the browser's reload and does nothing here.
int functionKey(const char* key) {
    if (std::strcmp(key, "F1") == 0) return GLUT_KEY_F1;
    if (std::strcmp(key, "F2") == 0) return GLUT_KEY_F2;
    if (std::strcmp(key, "F12") == 0) return GLUT_KEY_F12;
    return 0;
}

// The one character GLUT's keyboard callback would get, or 0 for keys it would not report.
unsigned char characterOf(const EmscriptenKeyboardEvent* event) {
    const unsigned char first = static_cast<unsigned char>(event->key[0]);
    if (event->key[1] != '\0' || first < 32 || first > 126) return 0;
    return first;
}

bool engineKey(const char* key) {
    return functionKey(key) != 0 || std::strcmp(key, "F5") == 0 || std::strcmp(key, "Escape") == 0;
}

EM_BOOL onKeyEvent(int type, const EmscriptenKeyboardEvent* event, void*) {
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const unsigned char c = characterOf(event);
    if (down && event->repeat) return c != 0 || engineKey(event->key);
    if (down && functionKey(event->key) != 0) onSpecialKey(functionKey(event->key), 0, 0);
    if (c != 0) (down ? onKeyDown : onKeyUp)(c, 0, 0);
    // The page keeps the keys the engine uses (and F5, F12, Escape) from the browser.
    return c != 0 || engineKey(event->key);
}

EM_BOOL onMouseEvent(int type, const EmscriptenMouseEvent* event, void*) {
    // The canvas stands at the page's top-left corner: page and window pixels are the same.
    const int x = static_cast<int>(event->clientX);
    const int y = static_cast<int>(event->clientY);
    const int button = event->button;
    const bool inside = x >= 0 && y >= 0 && x < CANVAS_WIDTH && y < CANVAS_HEIGHT;
    const bool dragging = buttonHeld[0] || buttonHeld[1] || buttonHeld[2];
    switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEDOWN:
        if (!inside || button < 0 || button > 2) return EM_FALSE;
        buttonHeld[button] = true;
        onMouse(button, GLUT_DOWN, x, y);
        return EM_TRUE;
    case EMSCRIPTEN_EVENT_MOUSEUP:
        if (button < 0 || button > 2 || !buttonHeld[button]) return EM_FALSE;
        buttonHeld[button] = false;
        onMouse(button, GLUT_UP, x, y);
        return EM_TRUE;
    case EMSCRIPTEN_EVENT_MOUSEMOVE:
        // As GLUT: drags are followed outside the window, plain movement only inside it.
        if (dragging || inside) onMotion(x, y);
        return EM_FALSE;
    default:
        return EM_FALSE;
    }
}

EM_BOOL onAnimationFrame(double, void*) {
    onIdle();
    onDisplay();
    return EM_TRUE;
}

bool createContext() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE; // the window has no alpha channel either
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.majorVersion = 1;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(CANVAS, &attributes);
    if (context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "ERROR: this browser gives the page no WebGL.\n");
        return false;
    }
    emscripten_webgl_enable_extension(context, "OES_element_index_uint");
    return ffInit();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const Options options = parseOptions(argc, argv);
    if (options.outcome != OptionsOutcome::Run) {
        std::fprintf(stderr, "krestel: %s\n", options.error.c_str());
        return 2;
    }
    startWebGlutClock();
    emscripten_set_canvas_element_size(CANVAS, CANVAS_WIDTH, CANVAS_HEIGHT);
    if (!createContext()) return 1;
    initEngine(options.scenePath.c_str(), options.sceneFolder.c_str());
    const char* document = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    emscripten_set_keydown_callback(document, nullptr, EM_TRUE, onKeyEvent);
    emscripten_set_keyup_callback(document, nullptr, EM_TRUE, onKeyEvent);
    emscripten_set_mousedown_callback(CANVAS, nullptr, EM_TRUE, onMouseEvent);
    emscripten_set_mouseup_callback(document, nullptr, EM_TRUE, onMouseEvent);
    emscripten_set_mousemove_callback(document, nullptr, EM_TRUE, onMouseEvent);
    emscripten_request_animation_frame_loop(onAnimationFrame, nullptr);
    return 0;
}
