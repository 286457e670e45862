// PNG screenshots of the window (libpng's simplified writer) and their numbering.
#include "app/screenshot.h"

#include <GL/glut.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

bool writeWindowPng(const char* path) {
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "ERROR: '%s' not written: the window has no area.\n", path);
        return false;
    }
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    GLint packAlignment = 4;
    GLint readBuffer = GL_BACK;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    // The frame must be finished first: Mesa's software rasteriser faults reading back a frame
    // still being drawn (seen with a panel whose texture could not be read).
    glFinish();
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // GL's rows run from the bottom up; a negative stride tells libpng so.
    if (!png_image_write_to_file(&image, path, 0, pixels.data(), -width * 3, nullptr)) {
        std::fprintf(stderr, "ERROR: '%s' not written: %s\n", path, image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}

void writeScreenshotBeside(std::string folder) {
    // A scene folder that is gone or read-only (an installed demo) leaves the working folder.
    if (!folder.empty() && access(folder.c_str(), W_OK) != 0) folder.clear();
    std::string path = nextScreenshotPath(folder, [](const std::string& p) {
        // A folder that cannot be read is left to the writer, whose message says why.
        std::error_code error;
        return std::filesystem::exists(p, error);
    });
    if (path.empty()) {
        std::fprintf(stderr,
                     "ERROR: no screenshot written: krestel-0001.png to krestel-%04d.png "
                     "all exist in '%s'.\n",
                     MAX_SCREENSHOTS, folder.empty() ? "." : folder.c_str());
        return;
    }
    if (writeWindowPng(path.c_str())) std::printf("Screenshot: %s\n", path.c_str());
}
