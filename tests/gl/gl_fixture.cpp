// GL test support: window creation, read-back and image dumps.
#include "gl/gl_fixture.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

namespace {
int window = 0;

void displayNothing() {}
} // namespace

void ensureGlContext(int width, int height) {
    if (window == 0) {
        int argc = 1;
        char name[] = "gl_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGBA);
        glutInitWindowSize(width, height);
        window = glutCreateWindow("Krestel GL tests");
        glutDisplayFunc(displayNothing);
        glutMainLoopEvent();
    }
    glutSetWindow(window);
    if (glutGet(GLUT_WINDOW_WIDTH) != width || glutGet(GLUT_WINDOW_HEIGHT) != height) {
        glutReshapeWindow(width, height);
        for (int i = 0; i < 50 && (glutGet(GLUT_WINDOW_WIDTH) != width ||
                                   glutGet(GLUT_WINDOW_HEIGHT) != height);
             ++i) {
            glutMainLoopEvent();
        }
    }
    glViewport(0, 0, width, height);
    glReadBuffer(GL_BACK);
    glDrawBuffer(GL_BACK);
}

std::vector<Rgba8> readPixels(int x, int y, int width, int height) {
    std::vector<Rgba8> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

Rgba8 pixelAt(int x, int y) {
    return readPixels(x, y, 1, 1)[0];
}

bool nearColour(Rgba8 a, Rgba8 b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

std::string dumpFrame(const std::string& name) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int w = viewport[2], h = viewport[3];
    std::vector<Rgba8> pixels = readPixels(viewport[0], viewport[1], w, h);
    const char* dir = std::getenv("KRESTEL_TEST_OUTPUT");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/" + name + ".ppm";
    std::string mkdir = "mkdir -p '" + std::string(dir && *dir ? dir : "/tmp") + "'";
    if (std::system(mkdir.c_str()) != 0) return path;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return path;
    std::fprintf(file, "P6\n%d %d\n255\n", w, h);
    for (int row = h - 1; row >= 0; --row) {
        for (int col = 0; col < w; ++col) {
            const Rgba8& p = pixels[static_cast<size_t>(row) * w + col];
            std::fputc(p.r, file);
            std::fputc(p.g, file);
            std::fputc(p.b, file);
        }
    }
    std::fclose(file);
    return path;
}

void GlTest::SetUp() {
    ensureGlContext();
    while (glGetError() != GL_NO_ERROR) {}
}

::testing::AssertionResult ColourNear(const char* ae, const char* be, const char* te, Rgba8 a,
                                      Rgba8 b, int tolerance) {
    if (nearColour(a, b, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << ae << " = (" << int(a.r) << ", " << int(a.g) << ", " << int(a.b) << ", " << int(a.a)
           << ") is not within " << te << " of " << be << " = (" << int(b.r) << ", " << int(b.g)
           << ", " << int(b.b) << ", " << int(b.a) << ")";
}
