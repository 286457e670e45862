// GL test support: window creation, read-back and image dumps.
#include "gl/gl_fixture.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

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
    }
    glutSetWindow(window);
    glutReshapeWindow(width, height);
    for (int i = 0; i < 50 && (glutGet(GLUT_WINDOW_WIDTH) != width ||
                               glutGet(GLUT_WINDOW_HEIGHT) != height || i == 0);
         ++i) {
        glutMainLoopEvent();
    }
    glViewport(0, 0, width, height);
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
           std::abs(a.b - b.b) <= tolerance;
}

void dumpFrame(const std::string& name) {
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    const std::vector<Rgba8> pixels = readPixels(view[0], view[1], view[2], view[3]);
    const char* dir = std::getenv("KRESTEL_TEST_OUTPUT");
    const std::string folder = dir && *dir ? dir : "/tmp";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = folder + "/" + name + ".ppm";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fprintf(file, "P6\n%d %d\n255\n", view[2], view[3]);
    for (int row = view[3] - 1; row >= 0; --row) {
        for (int col = 0; col < view[2]; ++col) std::fwrite(&pixels[size_t(row) * view[2] + col], 1, 3, file);
    }
    std::fclose(file);
    std::printf("frame written to %s\n", path.c_str());
}

void GlTest::SetUp() {
    ensureGlContext();
    while (glGetError() != GL_NO_ERROR) {}
}

::testing::AssertionResult ColourNear(const char* ae, const char*, const char*, Rgba8 a, Rgba8 b,
                                      int tolerance) {
    if (nearColour(a, b, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ae << " = (" << int(a.r) << ", " << int(a.g) << ", "
                                         << int(a.b) << "), expected (" << int(b.r) << ", "
                                         << int(b.g) << ", " << int(b.b) << ") within " << tolerance;
}
