// PNG (libpng's simplified API) and JPEG (TurboJPEG) decoding from memory, the choice of decoder
// by the first bytes, and readTga, the file wrapper that prints the image console messages.
// Both libraries give the rows top first; the float conversion stores them bottom first.
#include "texture/image.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr float BYTE_TO_UNIT = 0.003921569f;
// deflate cannot expand one byte into more than 1032.
constexpr uint64_t DEFLATE_MAX_RATIO = 1032;
// The largest file read: an uncompressed 32-bit TGA of the largest accepted size, and its header.
constexpr uint64_t MAX_FILE_SIZE =
    uint64_t{MAX_IMAGE_SIDE} * uint64_t{MAX_IMAGE_SIDE} * 4 + (uint64_t{1} << 20);

void setError(char* error, size_t errorSize, const char* format, auto... args) {
    if (error && errorSize > 0) std::snprintf(error, errorSize, format, args...);
}

bool startsWith(const uint8_t* bytes, size_t size, const uint8_t* prefix, size_t length) {
    return size >= length && std::memcmp(bytes, prefix, length) == 0;
}

bool tooLarge(uint32_t width, uint32_t height, int32_t maxSide, const char* format, char* error,
              size_t errorSize) {
    if (width == 0 || height == 0 || width > uint32_t(maxSide) || height > uint32_t(maxSide)) {
        setError(error, errorSize, "%s: image is %u by %u; accepted are 1 to %d on a side", format,
                 width, height, int{maxSide});
        return true;
    }
    return false;
}

// RGBA bytes, top row first, to a new float image, bottom row first.
TgaImage* toFloatImage(const std::vector<uint8_t>& rgba, int width, int height, char* error,
                       size_t errorSize) {
    TgaImage* image = createImage(width, height);
    if (!image) {
        setError(error, errorSize, "not enough memory for a %d by %d image", width, height);
        return nullptr;
    }
    const uint8_t* p = rgba.data();
    for (int row = height - 1; row >= 0; --row) {
        Colour* out = image->pixels + size_t(row) * size_t(width);
        for (int column = 0; column < width; ++column, p += 4) {
            out[column] = Colour{p[0] * BYTE_TO_UNIT, p[1] * BYTE_TO_UNIT, p[2] * BYTE_TO_UNIT,
                                 p[3] * BYTE_TO_UNIT};
        }
    }
    return image;
}

// libpng's linear 16-bit RGBA (alpha premultiplied) to straight-alpha bytes, in place of the
// 8-bit narrowing libpng would do: the same curve (its "sRGB" is a 2.2 power), rounded.
std::vector<uint8_t> linearToSrgbBytes(const std::vector<uint8_t>& linear, size_t count) {
    std::vector<uint8_t> out(count * 4);
    for (size_t i = 0; i < count; ++i) {
        uint16_t v[4];
        std::memcpy(v, linear.data() + i * 8, sizeof(v));
        out[i * 4 + 3] = static_cast<uint8_t>((v[3] * 255u + 32767u) / 65535u);
        for (int k = 0; k < 3; ++k) {
            const double l = v[3] > 0 ? std::min(1.0, double(v[k]) / v[3]) : 0.0;
            out[i * 4 + size_t(k)] = static_cast<uint8_t>(std::lround(std::pow(l, 1 / 2.2) * 255));
        }
    }
    return out;
}

// libpng names the chunk first ("IDAT: CRC error"); say it as a sentence about the file.
void setPngError(char* error, size_t errorSize, const char* message) {
    const bool chunk = std::strlen(message) > 6 && message[4] == ':' && message[5] == ' ' &&
                       std::isalpha(static_cast<unsigned char>(message[0])) &&
                       std::isalpha(static_cast<unsigned char>(message[3]));
    if (chunk) {
        setError(error, errorSize, "PNG: %s in %.4s chunk", message + 6, message);
    } else {
        setError(error, errorSize, "PNG: %s", message);
    }
}

// Whether the first bytes may start an image file: a PNG or JPEG signature, or a TGA header's
// colour-map type and image type.
bool mayBeImage(const std::vector<uint8_t>& bytes) {
    if (imageFormatOf(bytes.data(), bytes.size()) != ImageFormat::TGA) return true;
    if (bytes.size() < 3 || bytes[1] > 1) return false;
    const int type = bytes[2];
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

} // namespace

ImageFormat imageFormatOf(const uint8_t* bytes, size_t size) {
    static constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static constexpr uint8_t JPEG_SIGNATURE[] = {0xff, 0xd8, 0xff};
    if (!bytes) return ImageFormat::TGA;
    if (startsWith(bytes, size, PNG_SIGNATURE, sizeof(PNG_SIGNATURE))) return ImageFormat::PNG;
    if (startsWith(bytes, size, JPEG_SIGNATURE, sizeof(JPEG_SIGNATURE))) return ImageFormat::JPEG;
    return ImageFormat::TGA;
}

TgaImage* decodePng(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize, int32_t maxSide) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    // libpng reports through png.message and cleans up after itself: no setjmp on our side.
    if (!png_image_begin_read_from_memory(&png, bytes, size)) {
        setPngError(error, errorSize, png.message);
        png_image_free(&png);
        return nullptr;
    }
    if (tooLarge(png.width, png.height, maxSide, "PNG", error, errorSize)) {
        png_image_free(&png);
        return nullptr;
    }
    // Even at one bit per pixel the rows need this much after inflating; refusing a file that
    // cannot hold them keeps a tiny file from costing a huge buffer.
    const uint64_t leastRaw = uint64_t{png.height} * (1 + (uint64_t{png.width} + 7) / 8);
    if (uint64_t{size} * DEFLATE_MAX_RATIO < leastRaw) {
        setError(error, errorSize, "PNG: a %u by %u image cannot be held in %zu bytes", png.width,
                 png.height, size);
        png_image_free(&png);
        return nullptr;
    }
    const int width = int(png.width);
    const int height = int(png.height);
    // libpng 1.6.39 garbles the top rows of interlaced 16-bit files when it narrows them to 8-bit
    // sRGB itself, so 16-bit files are read as linear 16-bit and encoded here.
    const bool wide = (png.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    png.format = wide ? PNG_FORMAT_LINEAR_RGB_ALPHA : PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        setPngError(error, errorSize, png.message);
        png_image_free(&png);
        return nullptr;
    }
    png_image_free(&png);
    if (wide) rgba = linearToSrgbBytes(rgba, size_t(width) * size_t(height));
    if (bytesPerPixel) *bytesPerPixel = 4;
    return toFloatImage(rgba, width, height, error, errorSize);
}

TgaImage* decodeJpeg(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                     size_t errorSize, int32_t maxSide) {
    tjhandle decoder = tjInitDecompress();
    if (!decoder) {
        setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(nullptr));
        return nullptr;
    }
    TgaImage* image = nullptr;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder, bytes, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourSpace) != 0) {
        setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(decoder));
    } else if (!tooLarge(uint32_t(width), uint32_t(height), maxSide, "JPEG", error, errorSize)) {
        std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
        // A warning (a cut or damaged file) is refused too: half a picture is not a texture.
        // LIMITSCANS refuses progressive files built to take endless scans.
        const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
        if (tjDecompress2(decoder, bytes, static_cast<unsigned long>(size), rgba.data(), width, 0,
                          height, TJPF_RGBA, flags) != 0) {
            setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(decoder));
        } else {
            if (bytesPerPixel) *bytesPerPixel = 4;
            image = toFloatImage(rgba, width, height, error, errorSize);
        }
    }
    tjDestroy(decoder);
    return image;
}

TgaImage* decodeImage(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                      size_t errorSize, int32_t maxSide) {
    switch (imageFormatOf(bytes, size)) {
    case ImageFormat::PNG:
        return decodePng(bytes, size, bytesPerPixel, error, errorSize, maxSide);
    case ImageFormat::JPEG:
        return decodeJpeg(bytes, size, bytesPerPixel, error, errorSize, maxSide);
    case ImageFormat::TGA:
        break;
    }
    return decodeTga(bytes, size, bytesPerPixel, error, errorSize, maxSide);
}

TgaImage* readTga(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(stderr, "TGA_READ: failed to open file %s\n", path);
        return nullptr;
    }
    // Read in chunks up to the largest useful size, so an endless stream or a huge file is
    // refused instead of buffered.
    std::vector<uint8_t> bytes;
    constexpr size_t CHUNK = size_t{1} << 20;
    bool tooBig = false;
    for (;;) {
        const size_t old = bytes.size();
        bytes.resize(old + CHUNK);
        const size_t got = std::fread(bytes.data() + old, 1, CHUNK, file);
        bytes.resize(old + got);
        if (got < CHUNK) break;
        // Bytes that no decoder takes are refused from their start: no need to read on (a
        // texture named /dev/zero is not read to the limit).
        if (old == 0 && !mayBeImage(bytes)) break;
        if (bytes.size() > MAX_FILE_SIZE) {
            tooBig = true;
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "TGA_READ: '%s': the file could not be read\n", path);
        return nullptr;
    }
    if (tooBig) {
        std::fprintf(stderr, "TGA_READ: '%s': the file is larger than %llu bytes\n", path,
                     static_cast<unsigned long long>(MAX_FILE_SIZE));
        return nullptr;
    }
    char error[200];
    int bytesPerPixel = 3;
    TgaImage* image = decodeImage(bytes.data(), bytes.size(), &bytesPerPixel, error, sizeof(error));
    if (!image) {
        std::fprintf(stderr, "TGA_READ: '%s': %s\n", path, error);
        return nullptr;
    }
    std::printf("'%s' (%d byte) image file closed and read.\n", path, bytesPerPixel);
    return image;
}
