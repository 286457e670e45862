// Decodes bytes as an image file (TGA, PNG or JPEG, chosen by the first bytes) and checks what
// the decoders promise whatever the bytes: shared by the fuzz target and the replay test. No GL;
// the file layer (readTga) is not involved.
#pragma once

#include "texture/image.h"

#include <cstring>
#include <string>

// The fuzzer's side limit: large enough for every decoding path, small enough that a header
// declaring the largest image costs no more than a few hundred megabytes.
constexpr int32_t FUZZ_MAX_SIDE = 2048;

// Returns an empty string when decodeImage behaved, else what broke.
inline std::string checkDecodedImage(const uint8_t* data, size_t size,
                                     int32_t maxSide = FUZZ_MAX_SIDE) {
    char error[200];
    std::memset(error, 0, sizeof(error));
    int bytesPerPixel = 0;
    TgaImage* image = decodeImage(data, size, &bytesPerPixel, error, sizeof(error), maxSide);
    if (!image) {
        if (error[0] == 0) return "a refusal without a reason";
        if (std::memchr(error, 0, sizeof(error)) == nullptr) return "an unterminated reason";
        return "";
    }
    std::string broken;
    const ImageFormat format = imageFormatOf(data, size);
    if (image->width < 1 || image->height < 1 || image->width > maxSide ||
        image->height > maxSide) {
        broken = "an image of a refused size";
    }
    if (format == ImageFormat::TGA) {
        if (size < 18) {
            broken = "an image from fewer bytes than a header";
        } else if (image->width != (data[12] | data[13] << 8) ||
                   image->height != (data[14] | data[15] << 8)) {
            broken = "image size differs from the header";
        } else if (bytesPerPixel < 1 || bytesPerPixel > 4) {
            broken = "bytes per pixel outside 1 to 4";
        } else if ((data[2] & 8) == 0 && 18 + size_t(image->width) * size_t(image->height) > size) {
            broken = "an uncompressed image from fewer bytes than its pixels need";
        }
    } else if (bytesPerPixel != 4) {
        broken = "decoded PNG or JPEG data reported with other than 4 bytes per pixel";
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
