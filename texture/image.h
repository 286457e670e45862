// Image files decoded from bytes in memory, the format chosen by the first bytes (PNG and JPEG
// signatures; anything else is tried as a TGA). PNG goes through libpng, JPEG through TurboJPEG;
// all give the same bottom-row-first float RGBA TgaImage. No GL, no files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/tga.h"

enum class ImageFormat { TGA, PNG, JPEG };

ImageFormat imageFormatOf(const uint8_t* bytes, size_t size);

// The most bytes of a file starting with these `size` bytes that its decoder can use, from the
// header: a TGA's exact size (tgaSizeLimit), a PNG's rows as declared with a quarter more for
// deflate and chunk framing, a JPEG's 32 bytes a pixel; one megabyte more for a PNG's or JPEG's
// other chunks or markers. `size` itself for bytes no decoder takes or a header it refuses.
uint64_t imageSizeLimit(const uint8_t* bytes, size_t size);

// Each decoder returns null on failure and writes a one-line reason (without the file name) into
// `error`; bytesPerPixel receives, for TGA, the bytes of a stored pixel or map entry, and for PNG
// and JPEG the bytes per pixel of the decoded data. Sides above maxSide are refused before
// anything is allocated for the pixels.
TgaImage* decodePng(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize, int32_t maxSide = MAX_IMAGE_SIDE);
TgaImage* decodeJpeg(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                     size_t errorSize, int32_t maxSide = MAX_IMAGE_SIDE);
TgaImage* decodeImage(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                      size_t errorSize, int32_t maxSide = MAX_IMAGE_SIDE);
