// Image records (TgaImage: float RGBA pixels, bottom row first, as GL takes them) and the TGA
// decoder, which works on bytes in memory and checks every read against the end. readTga is the
// thin file wrapper that reads any image file the engine accepts (texture/image.h) and prints the
// console messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/math.h"

struct TgaImage {
    Colour* pixels; // width * height, pixel i at column i % width of row i / width; row 0 is the
                    // bottom row of the picture (GL's t = 0)
    int32_t width;
    int32_t height;
};

// The largest width or height any decoder accepts; checked before anything is allocated.
constexpr int32_t MAX_IMAGE_SIDE = 16384;

TgaImage* createImage(int32_t width, int32_t height);
void setPixel(TgaImage* image, Colour colour, int32_t index);
void fillImage(TgaImage* image, Colour colour);
int destroyImage(TgaImage* image); // null is ignored; returns 0

// Decodes a TGA held in memory: types 1, 2, 3 (uncompressed colour-mapped, true-colour, grey)
// and 9, 10, 11 (their run-length encoded forms), any origin. On failure returns null and writes
// a one-line reason (without the file name) into `error`, which has room for errorSize bytes.
// bytesPerPixel receives the bytes of one stored pixel (of one map entry for a mapped image).
// Sides above maxSide are refused.
TgaImage* decodeTga(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize, int32_t maxSide = MAX_IMAGE_SIDE);
// Reads and decodes a TGA, PNG or JPEG file (chosen by its first bytes); prints
// "TGA_READ: failed to open file %s\n" (stderr) when it cannot be opened, a message naming the
// file on stderr when it is malformed, and "'%s' (%d byte) image file closed and read.\n" on
// stdout on success.
TgaImage* readTga(const char* path);
