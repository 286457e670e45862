// Image records (TgaImage: float RGBA pixels, bottom row first, as GL takes them) and the TGA
// decoder, which works on bytes in memory and checks every read against the end. readImageFile is
// the thin file wrapper that reads any image file the engine accepts (texture/image.h), no more
// of it than a decoder can use; readTga adds the console messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
// The most bytes decodeTga can use of a file that starts with these `size` bytes: header, ID,
// colour map and the pixels the header declares (each in a packet of its own when run-length
// encoded); `size` itself when the header is cut short or refused, whatever follows.
uint64_t tgaSizeLimit(const uint8_t* bytes, size_t size, int32_t maxSide = MAX_IMAGE_SIDE);

// What reading one image file found: the image, or why there is none.
struct ImageFile {
    TgaImage* image;     // null when there is none; the caller destroys it
    int bytesPerPixel;   // as the success message gives it
    int openError;       // errno when the file could not be opened, else 0
    std::string problem; // why a file that opened gave no image, e.g. "PNG: CRC error in ..."
};

// Reads a TGA, PNG or JPEG file (chosen by its first bytes) and decodes it; prints nothing. No
// more is read than a decoder can use (imageSizeLimit): an endless or huge file costs at most
// what its header promises, and a file no decoder takes at most its first megabyte.
ImageFile readImageFile(const char* path);
// The reader's console messages for what readImageFile found: "TGA_READ: failed to open file
// %s\n" (stderr) for a file that could not be opened, "'%s' (%d byte) image file closed and
// read.\n" (stdout) for an image; nothing for a file that opened but gave none (its problem is
// for the caller to report).
void printImageFile(const char* path, const ImageFile& file);
// readImageFile, printImageFile and "TGA_READ: '%s': <problem>\n" (stderr) for a file that
// opened but gave no image; the image or null.
TgaImage* readTga(const char* path);
