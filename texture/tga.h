// Uncompressed true-colour TGA images decoded into float RGBA pixels (TgaImage). The decoder
// works on bytes in memory and checks every read against the end; readTga is the thin file
// wrapper that prints the console messages. Rows are kept in file order (no flipping).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/math.h"

struct TgaImage {
    Colour* pixels; // width * height, pixel i at column i % width of row i / width
    int32_t width;
    int32_t height;
};

TgaImage* createImage(int32_t width, int32_t height);
void setPixel(TgaImage* image, Colour colour, int32_t index);
void fillImage(TgaImage* image, Colour colour);
int destroyImage(TgaImage* image); // null is ignored; returns 0

// Decodes a TGA held in memory. On failure returns null and writes a one-line reason (without
// the file name) into `error`, which has room for errorSize bytes.
TgaImage* decodeTga(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize);
// Reads and decodes a file; prints "TGA_READ: failed to open file %s\n" (stderr) when it cannot
// be opened, a message naming the file on stderr when it is malformed, and
// "'%s' (%d byte) image file closed and read.\n" on stdout on success.
TgaImage* readTga(const char* path);
