// The program entry: the command line, one GLUT window, the engine's start-up, the callbacks and
// the main loop.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "app/engine.h"
#include "app/options.h"
#include "core/alloc.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {
// `new` (the standard containers, the scene text) meets an exhausted heap as malloc does.
void failNew() {
    failAllocation("a block for operator new");
}

#if defined(__SANITIZE_ADDRESS__)
// A sanitizer build checks for leaks here rather than at the very end of the process, when the
// display has been closed and the GL driver unloaded: the driver's blocks would then read as
// leaked, from a module no suppression can name. The first call checks; later ones do nothing.
void checkLeaks() {
    __lsan_do_leak_check();
}
#endif
} // namespace

int main(int argc, char** argv) {
    std::set_new_handler(failNew);
    // Line-buffered so the load messages reach a log file or pipe as soon as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Read before glutInit, so --help and --version work without a display.
    const Options options = parseOptions(argc, argv);
    if (options.outcome == OptionsOutcome::Help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.outcome == OptionsOutcome::Version) {
        std::printf("krestel %s\n", KRESTEL_VERSION);
        return 0;
    }
    if (options.outcome == OptionsOutcome::UsageError) {
        std::fprintf(stderr, "krestel: %s\n%s", options.error.c_str(), usageText());
        return 2;
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow(WINDOW_TITLE);
#if defined(__SANITIZE_ADDRESS__)
    // exit() from a callback (Escape, a screenshot): after the engine's teardown, which initEngine
    // registers later, and before the GL teardown registered during glutInit. The window closed
    // or the main loop left: while the display is still open.
    std::atexit(checkLeaks);
    glutCloseFunc(checkLeaks);
#endif
    if (!options.screenshotPath.empty()) {
        exitAfterScreenshot(options.screenshotPath.c_str(), options.screenshotAfter);
    }
    initEngine(options.scenePath.c_str(), options.sceneFolder.c_str());
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onMotion);
    glutKeyboardFunc(onKeyDown);
    glutKeyboardUpFunc(onKeyUp);
    glutSpecialFunc(onSpecialKey);
    glutIdleFunc(onIdle);
    glutMainLoop();
    return 0;
}
