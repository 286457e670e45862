// The part of libpng's simplified reading API that texture/image.cpp uses, answered in the web
// build by the browser's PNG decoder (app/web_image.cpp). Always 8-bit RGBA, rows top first.
#pragma once

#include <cstddef>
#include <cstdint>

using png_uint_32 = uint32_t;

struct png_image {
    void* opaque;
    png_uint_32 version;
    png_uint_32 width;
    png_uint_32 height;
    png_uint_32 format;
    png_uint_32 flags;
    png_uint_32 colormap_entries;
    png_uint_32 warning_or_error;
    char message[64];
};

#define PNG_IMAGE_VERSION 1
#define PNG_FORMAT_FLAG_ALPHA 0x01U
#define PNG_FORMAT_FLAG_COLOR 0x02U
#define PNG_FORMAT_FLAG_LINEAR 0x04U
#define PNG_FORMAT_RGBA (PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA)
#define PNG_FORMAT_LINEAR_RGB_ALPHA                                                                \
    (PNG_FORMAT_FLAG_LINEAR | PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA)
#define PNG_IMAGE_SIZE(image)                                                                      \
    (size_t((image).width) * size_t((image).height) *                                              \
     (((image).format & PNG_FORMAT_FLAG_LINEAR) ? 8 : 4))

int png_image_begin_read_from_memory(png_image* image, const void* memory, size_t size);
int png_image_finish_read(png_image* image, const void* background, void* buffer, int32_t rowStride,
                          void* colormap);
void png_image_free(png_image* image);
