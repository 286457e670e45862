// Decodes bytes as a TGA and checks what the decoder promises whatever the bytes: shared by the
// fuzz target and the replay test. No GL; the file layer (readTga) is not involved.
#pragma once

#include "texture/tga.h"

#include <cstring>
#include <string>

// Returns an empty string when decodeTga behaved, else what broke.
inline std::string checkDecodedTga(const uint8_t* data, size_t size) {
    char error[160];
    std::memset(error, 0, sizeof(error));
    int bytesPerPixel = 0;
    TgaImage* image = decodeTga(data, size, &bytesPerPixel, error, sizeof(error));
    if (!image) {
        if (error[0] == 0) return "a refusal without a reason";
        if (std::memchr(error, 0, sizeof(error)) == nullptr) return "an unterminated reason";
        return "";
    }
    std::string broken;
    if (size < 18) broken = "an image from fewer bytes than a header";
    const int width = size >= 18 ? data[12] | data[13] << 8 : -1;
    const int height = size >= 18 ? data[14] | data[15] << 8 : -1;
    const int expectedBpp = size >= 18 && data[16] == 32 ? 4 : 3;
    if (broken.empty() && (image->width != width || image->height != height)) {
        broken = "image size differs from the header";
    }
    if (broken.empty() && bytesPerPixel != expectedBpp) broken = "wrong bytes per pixel";
    if (broken.empty() && 18 + size_t(width) * size_t(height) * size_t(expectedBpp) > size) {
        broken = "an image from fewer bytes than its pixels need";
    }
    const size_t count = size_t(image->width) * size_t(image->height);
    for (size_t i = 0; broken.empty() && i < count; ++i) {
        const Colour c = image->pixels[i];
        for (float v : {c.r, c.g, c.b, c.a}) {
            // 255 times the single-precision 1/255 rounds to a hair above 1.
            if (!(v >= 0.0f && v <= 1.000001f)) {
                broken = "a channel outside [0, 1]";
                break;
            }
        }
    }
    destroyImage(image);
    return broken;
}
