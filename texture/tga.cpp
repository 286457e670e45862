// The TGA reader: uncompressed true-colour images decoded from bytes in memory into float RGBA
// pixels, and the file wrapper that prints the console messages. No GL here. The decoder checks
// the declared size against the bytes it was given before it allocates or reads any pixel.
#include "texture/tga.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t HEADER_SIZE = 18;
// Every byte is scaled by this single-precision constant (not divided by 255).
constexpr float BYTE_TO_UNIT = 0.003921569f;

struct TgaHeader {
    uint8_t idLength;
    uint8_t colourMapType;
    uint8_t imageType;
    uint16_t colourMapFirstEntry;
    uint16_t colourMapLength;
    uint8_t colourMapEntrySize;
    uint16_t xOrigin;
    uint16_t yOrigin;
    uint16_t width;
    uint16_t height;
    uint8_t pixelDepth;
    uint8_t imageDescriptor;
};

// Reads the header fields in file order; the caller has checked that HEADER_SIZE bytes exist.
TgaHeader parseHeader(const uint8_t* bytes) {
    size_t at = 0;
    auto byte = [&]() { return bytes[at++]; };
    auto word = [&]() {
        const uint16_t low = bytes[at];
        const uint16_t high = bytes[at + 1];
        at += 2;
        return static_cast<uint16_t>(low | (high << 8));
    };
    TgaHeader h;
    h.idLength = byte();
    h.colourMapType = byte();
    h.imageType = byte();
    h.colourMapFirstEntry = word();
    h.colourMapLength = word();
    h.colourMapEntrySize = byte();
    h.xOrigin = word();
    h.yOrigin = word();
    h.width = word();
    h.height = word();
    h.pixelDepth = byte();
    h.imageDescriptor = byte();
    return h;
}

int bytesPerPixelFor(uint8_t pixelDepth) {
    return pixelDepth == 32 ? 4 : 3;
}

// Header plus pixels; at most 18 + 65535 * 65535 * 4, which fits in 64 bits.
uint64_t declaredFileSize(const TgaHeader& h) {
    return HEADER_SIZE + uint64_t{h.width} * uint64_t{h.height} *
                             static_cast<uint64_t>(bytesPerPixelFor(h.pixelDepth));
}

void setError(char* error, size_t errorSize, const char* format, auto... args) {
    if (error && errorSize > 0) std::snprintf(error, errorSize, format, args...);
}

} // namespace

TgaImage* createImage(int32_t width, int32_t height) {
    auto* image = static_cast<TgaImage*>(std::calloc(1, sizeof(TgaImage)));
    if (!image) return nullptr;
    image->width = width > 0 ? width : 0;
    image->height = height > 0 ? height : 0;
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    image->pixels = static_cast<Colour*>(std::calloc(count > 0 ? count : 1, sizeof(Colour)));
    if (!image->pixels) {
        std::free(image);
        return nullptr;
    }
    return image;
}

void setPixel(TgaImage* image, Colour colour, int32_t index) {
    if (!image || index < 0 || int64_t{index} >= int64_t{image->width} * image->height) return;
    image->pixels[index] = colour;
}

void fillImage(TgaImage* image, Colour colour) {
    if (!image) return;
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    for (size_t i = 0; i < count; ++i) image->pixels[i] = colour;
}

int destroyImage(TgaImage* image) {
    if (!image) return 0;
    std::free(image->pixels);
    std::free(image);
    return 0;
}

TgaImage* decodeTga(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize) {
    if (!bytes || size < HEADER_SIZE) {
        setError(error, errorSize, "file has %zu bytes but the header alone needs %zu",
                 bytes ? size : size_t{0}, HEADER_SIZE);
        return nullptr;
    }
    const TgaHeader header = parseHeader(bytes);
    const int bpp = bytesPerPixelFor(header.pixelDepth);
    if (bytesPerPixel) *bytesPerPixel = bpp;
    // An image without pixels would reach GL as a zero-sized texture; refuse it here.
    if (header.width == 0 || header.height == 0) {
        setError(error, errorSize, "image is %u by %u: it has no pixels", unsigned{header.width},
                 unsigned{header.height});
        return nullptr;
    }
    const uint64_t needed = declaredFileSize(header);
    if (uint64_t{size} < needed) {
        setError(error, errorSize, "file has %zu bytes but a %u by %u %d-bit image needs %llu",
                 size, unsigned{header.width}, unsigned{header.height}, bpp * 8,
                 static_cast<unsigned long long>(needed));
        return nullptr;
    }
    // Files outside the supported subset (an image ID, a colour map, another image type) are
    // read as if the pixels followed the header, as they always have been; the size check above
    // keeps that within the buffer.
    TgaImage* image = createImage(header.width, header.height);
    if (!image) {
        setError(error, errorSize, "not enough memory for a %u by %u image", unsigned{header.width},
                 unsigned{header.height});
        return nullptr;
    }
    const size_t count = size_t{header.width} * size_t{header.height};
    const uint8_t* pixel = bytes + HEADER_SIZE;
    for (size_t i = 0; i < count; ++i, pixel += bpp) {
        const float alpha = bpp == 4 ? pixel[3] * BYTE_TO_UNIT : 1.0f;
        image->pixels[i] = Colour{pixel[2] * BYTE_TO_UNIT, pixel[1] * BYTE_TO_UNIT,
                                  pixel[0] * BYTE_TO_UNIT, alpha};
    }
    return image;
}

TgaImage* readTga(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(stderr, "TGA_READ: failed to open file %s\n", path);
        return nullptr;
    }
    // Read the header, then no more than the pixels it declares: a hostile header cannot make
    // the reader buffer an endless stream, and a short file is only buffered as far as it goes.
    std::vector<uint8_t> bytes(HEADER_SIZE);
    size_t got = std::fread(bytes.data(), 1, HEADER_SIZE, file);
    bytes.resize(got);
    if (got == HEADER_SIZE) {
        const uint64_t needed = declaredFileSize(parseHeader(bytes.data()));
        constexpr size_t CHUNK = size_t{1} << 20;
        while (bytes.size() < needed) {
            const size_t want =
                static_cast<size_t>(needed - bytes.size() < CHUNK ? needed - bytes.size() : CHUNK);
            const size_t old = bytes.size();
            bytes.resize(old + want);
            got = std::fread(bytes.data() + old, 1, want, file);
            bytes.resize(old + got);
            if (got < want) break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "TGA_READ: '%s': the file could not be read\n", path);
        return nullptr;
    }
    char error[160];
    int bytesPerPixel = 3;
    TgaImage* image = decodeTga(bytes.data(), bytes.size(), &bytesPerPixel, error, sizeof(error));
    if (!image) {
        std::fprintf(stderr, "TGA_READ: '%s': %s\n", path, error);
        return nullptr;
    }
    std::printf("'%s' (%d byte) image file closed and read.\n", path, bytesPerPixel);
    return image;
}
