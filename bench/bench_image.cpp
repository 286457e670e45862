// bench_image: loading a 2048 by 2048 picture as a texture from a PNG and from an uncompressed
// 32-bit TGA (read, decode, float conversion, upload, glFinish), beside a bare libpng decode of
// the same PNG from memory to RGBA bytes, all interleaved in one run; medians of N rounds.
//   bench_image [rounds, default 15]
// Needs a display. Writes its two files to a temporary folder; the reader's messages go to
// /dev/null while it runs.
#include "render/gl_textures.h"
#include "texture/image.h"

#include <GL/freeglut.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SIDE = 2048;

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[1 << 16];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(f);
    }
    return bytes;
}

// A picture that compresses like a photograph more than like a flat colour: smooth gradients
// with a little noise.
std::vector<uint8_t> makePicture() {
    std::vector<uint8_t> rgba(size_t(SIDE) * SIDE * 4);
    uint32_t seed = 12345;
    for (size_t i = 0; i < size_t(SIDE) * SIDE; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x = int(i % SIDE), y = int(i / SIDE), noise = int(seed >> 28);
        rgba[i * 4 + 0] = uint8_t((x / 8 + noise) & 255);
        rgba[i * 4 + 1] = uint8_t((y / 8 + noise) & 255);
        rgba[i * 4 + 2] = uint8_t(((x + y) / 16) & 255);
        rgba[i * 4 + 3] = 255;
    }
    return rgba;
}

bool writePng(const std::string& path, const std::vector<uint8_t>& rgba) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = SIDE;
    png.height = SIDE;
    png.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// Bottom row first, blue-green-red-alpha, as TGA stores it by default.
bool writeTga(const std::string& path, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> bytes = {0, 0, 2, 0,          0,         0,          0,         0,  0,
                                  0, 0, 0, SIDE & 255, SIDE >> 8, SIDE & 255, SIDE >> 8, 32, 8};
    for (int y = SIDE - 1; y >= 0; --y) {
        for (int x = 0; x < SIDE; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * SIDE + size_t(x)) * 4];
            bytes.insert(bytes.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The GL back end's upload: a new texture object from the float pixels, finished, then deleted.
void upload(const TgaImage* image) {
    GLuint name = uploadImage(image);
    glFinish();
    glDeleteTextures(1, &name);
}

// What the texture registry does for a STATIC texture: read, decode, upload as floats, free.
void loadAsTexture(const std::string& path) {
    TgaImage* image = readTga(path.c_str());
    if (!image) std::abort();
    upload(image);
    destroyImage(image);
}

void bareLibpngDecode(const std::vector<uint8_t>& file) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) std::abort();
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) std::abort();
}

// The float image the texture upload takes, from RGBA bytes: the conversion alone.
void floatConversion(const std::vector<uint8_t>& rgba) {
    TgaImage* image = createImage(SIDE, SIDE);
    for (size_t i = 0; i < size_t(SIDE) * SIDE; ++i) {
        const uint8_t* p = &rgba[i * 4];
        image->pixels[i] = Colour{p[0] * 0.003921569f, p[1] * 0.003921569f, p[2] * 0.003921569f,
                                  p[3] * 0.003921569f};
    }
    destroyImage(image);
}

void decodeOnly(const std::vector<uint8_t>& file) {
    char error[200];
    destroyImage(decodeImage(file.data(), file.size(), nullptr, error, sizeof error));
}

} // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("bench_image");

    char folder[] = "/tmp/krestel-bench-image-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string png = std::string(folder) + "/picture.png";
    const std::string tga = std::string(folder) + "/picture.tga";
    const std::vector<uint8_t> picture = makePicture();
    if (!writePng(png, picture) || !writeTga(tga, picture)) return 1;
    const std::vector<uint8_t> pngBytes = readAll(png);

    const char* names[] = {
        "bare libpng decode from memory (RGBA bytes)",
        "float conversion alone (RGBA bytes to the float image)",
        "upload alone (glTexImage2D of the float image, glFinish)",
        "engine PNG decode from memory (decode and floats)",
        "engine PNG texture load (read, decode, floats, upload)",
        "engine TGA texture load (read, decode, floats, upload)",
    };
    constexpr int CASES = 6;
    std::vector<double> seconds[CASES];
    TgaImage* prepared = decodeImage(pngBytes.data(), pngBytes.size(), nullptr, nullptr, 0);
    auto run = [&](int which) {
        switch (which) {
        case 0:
            bareLibpngDecode(pngBytes);
            break;
        case 1:
            floatConversion(picture);
            break;
        case 2:
            upload(prepared);
            break;
        case 3:
            decodeOnly(pngBytes);
            break;
        case 4:
            loadAsTexture(png);
            break;
        default:
            loadAsTexture(tga);
            break;
        }
    };
    // The reader prints one line per file; keep it off the table.
    std::fflush(stdout);
    const int saved = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    for (int round = 0; round < rounds + 1; ++round) {
        for (int k = 0; k < CASES; ++k) {
            // Alternate the order so no case always follows the same one.
            const int which = round % 2 ? CASES - 1 - k : k;
            const double start = now();
            run(which);
            if (round > 0) seconds[which].push_back(now() - start); // round 0 warms the caches
        }
    }
    std::fflush(stdout);
    dup2(saved, 1);
    std::remove(png.c_str());
    std::remove(tga.c_str());
    rmdir(folder);

    std::printf("| %d by %d picture (PNG %zu bytes), median of %d | ms |\n|---|---|\n", SIDE, SIDE,
                pngBytes.size(), rounds);
    for (int k = 0; k < CASES; ++k)
        std::printf("| %s | %.1f |\n", names[k], median(seconds[k]) * 1e3);
    destroyImage(prepared);
    return 0;
}
