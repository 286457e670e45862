// The TGA decoder: every common variant (colour-mapped, true-colour and grey, plain or run-length
// encoded, any origin) decoded from bytes in memory into float RGBA pixels, bottom row first.
// No GL, no files. Sizes are checked against the bytes given before anything is allocated.
#include "texture/tga.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t HEADER_SIZE = 18;
// Every byte is scaled by this single-precision constant (not divided by 255).
constexpr float BYTE_TO_UNIT = 0.003921569f;
// A run-length packet covers at most this many pixels.
constexpr uint64_t MAX_PACKET = 128;

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

enum class Kind { Mapped, TrueColour, Grey };

// Bytes of one stored colour (pixel or map entry) for a bit depth; 0 when the depth is not used.
int colourBytes(Kind kind, int depth) {
    switch (kind) {
    case Kind::TrueColour:
        return depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
    case Kind::Grey:
        return depth == 8 ? 1 : depth == 16 ? 2 : 0;
    case Kind::Mapped:
        return depth == 8 ? 1 : depth == 16 ? 2 : 0;
    }
    return 0;
}

void setError(char* error, size_t errorSize, const char* format, auto... args) {
    if (error && errorSize > 0) std::snprintf(error, errorSize, format, args...);
}

float unit(uint32_t byte) {
    return static_cast<float>(byte) * BYTE_TO_UNIT;
}

// 5-bit channel to the byte it stands for (0 -> 0, 31 -> 255).
uint32_t widen5(uint32_t value) {
    return (value << 3) | (value >> 2);
}

// One stored colour of `count` bytes (true-colour or map entry, blue first) to RGBA.
Colour colourOf(const uint8_t* p, int count, bool attributeAlpha) {
    switch (count) {
    case 2: {
        const uint32_t v = p[0] | uint32_t{p[1]} << 8;
        const float alpha = attributeAlpha ? static_cast<float>(v >> 15) : 1.0f;
        return Colour{unit(widen5(v >> 10 & 31)), unit(widen5(v >> 5 & 31)), unit(widen5(v & 31)),
                      alpha};
    }
    case 3:
        return Colour{unit(p[2]), unit(p[1]), unit(p[0]), 1.0f};
    default:
        return Colour{unit(p[2]), unit(p[1]), unit(p[0]), unit(p[3])};
    }
}

Colour greyOf(const uint8_t* p, int count) {
    const float grey = unit(p[0]);
    return Colour{grey, grey, grey, count == 2 ? unit(p[1]) : 1.0f};
}

struct Layout {
    Kind kind;
    bool rle;
    int pixelBytes; // stored bytes per pixel (an index for a mapped image)
    int entryBytes; // bytes per colour-map entry, 0 without a map
    size_t mapOffset;
    size_t dataOffset;
};

// The layout the header declares, or false with the reason. Sides are checked here, before the
// file's size, so a header claiming more than any decoder accepts is refused for that alone.
bool layoutOf(const TgaHeader& h, int32_t maxSide, Layout* layout, char* error, size_t errorSize) {
    const int type = h.imageType;
    if (h.colourMapType > 1 ||
        !(type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11)) {
        setError(error, errorSize, "%s", "not a TGA, PNG or JPEG file");
        return false;
    }
    layout->kind = (type & 3) == 1 ? Kind::Mapped : (type & 3) == 2 ? Kind::TrueColour : Kind::Grey;
    layout->rle = type >= 9;
    layout->pixelBytes = colourBytes(layout->kind, h.pixelDepth);
    if (layout->pixelBytes == 0) {
        const char* expected = layout->kind == Kind::TrueColour ? "15, 16, 24 or 32"
                               : layout->kind == Kind::Grey     ? "8 or 16"
                                                                : "8 or 16 (map indices)";
        setError(error, errorSize, "a type %d image has %d bits per pixel; expected %s", type,
                 int{h.pixelDepth}, expected);
        return false;
    }
    if (layout->kind == Kind::Mapped && h.colourMapType != 1) {
        setError(error, errorSize, "a colour-mapped image (type %d) without a colour map", type);
        return false;
    }
    // A true-colour or grey file may still carry a map; it is skipped, but its size must be known.
    if (h.colourMapType == 1 && (h.colourMapLength > 0 || layout->kind == Kind::Mapped)) {
        layout->entryBytes = colourBytes(Kind::TrueColour, h.colourMapEntrySize);
        if (layout->entryBytes == 0) {
            setError(error, errorSize, "colour-map entries of %d bits; expected 15, 16, 24 or 32",
                     int{h.colourMapEntrySize});
            return false;
        }
    }
    // An image without pixels would reach GL as a zero-sized texture; refuse it here.
    if (h.width == 0 || h.height == 0) {
        setError(error, errorSize, "image is %u by %u: it has no pixels", unsigned{h.width},
                 unsigned{h.height});
        return false;
    }
    if (h.width > maxSide || h.height > maxSide) {
        setError(error, errorSize, "image is %u by %u; the largest accepted is %d on a side",
                 unsigned{h.width}, unsigned{h.height}, int{maxSide});
        return false;
    }
    layout->mapOffset = HEADER_SIZE + h.idLength;
    layout->dataOffset =
        layout->mapOffset + size_t{h.colourMapLength} * static_cast<size_t>(layout->entryBytes);
    return true;
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

uint64_t tgaSizeLimit(const uint8_t* bytes, size_t size, int32_t maxSide) {
    if (!bytes || size < HEADER_SIZE) return size;
    const TgaHeader h = parseHeader(bytes);
    Layout layout{};
    if (!layoutOf(h, maxSide, &layout, nullptr, 0)) return size;
    // Run-length data is longest with every pixel in a packet of its own.
    const uint64_t perPixel = uint64_t(layout.pixelBytes) + (layout.rle ? 1 : 0);
    return layout.dataOffset + uint64_t{h.width} * uint64_t{h.height} * perPixel;
}

TgaImage* decodeTga(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize, int32_t maxSide) {
    if (!bytes || size < HEADER_SIZE) {
        setError(error, errorSize, "file has %zu bytes but the header alone needs %zu",
                 bytes ? size : size_t{0}, HEADER_SIZE);
        return nullptr;
    }
    const TgaHeader h = parseHeader(bytes);
    Layout layout{};
    if (!layoutOf(h, maxSide, &layout, error, errorSize)) return nullptr;
    if (bytesPerPixel) {
        *bytesPerPixel = layout.kind == Kind::Mapped ? layout.entryBytes : layout.pixelBytes;
    }
    const uint64_t pixels = uint64_t{h.width} * uint64_t{h.height};
    const int bits = layout.pixelBytes * 8;
    if (!layout.rle) {
        const uint64_t needed = layout.dataOffset + pixels * uint64_t(layout.pixelBytes);
        if (uint64_t{size} < needed) {
            setError(error, errorSize, "file has %zu bytes but a %u by %u %d-bit image needs %llu",
                     size, unsigned{h.width}, unsigned{h.height}, bits,
                     static_cast<unsigned long long>(needed));
            return nullptr;
        }
    } else {
        // Each packet holds at most 128 pixels in at least one count byte and one pixel.
        const uint64_t needed = layout.dataOffset + (pixels + MAX_PACKET - 1) / MAX_PACKET *
                                                        uint64_t(1 + layout.pixelBytes);
        if (uint64_t{size} < needed) {
            setError(error, errorSize,
                     "file has %zu bytes but a %u by %u run-length encoded %d-bit image needs "
                     "at least %llu",
                     size, unsigned{h.width}, unsigned{h.height}, bits,
                     static_cast<unsigned long long>(needed));
            return nullptr;
        }
    }

    TgaImage* image = createImage(h.width, h.height);
    if (!image) {
        setError(error, errorSize, "not enough memory for a %u by %u image", unsigned{h.width},
                 unsigned{h.height});
        return nullptr;
    }
    const int width = h.width;
    const int height = h.height;
    // Bit 5 set: the first stored row is the top one; bit 4 set: rows run right to left.
    const bool topFirst = (h.imageDescriptor & 0x20) != 0;
    const bool rightToLeft = (h.imageDescriptor & 0x10) != 0;
    const bool attributeAlpha = (h.imageDescriptor & 0x0f) == 1;
    const uint8_t* map = bytes + layout.mapOffset;

    // Decodes one stored pixel; false (with the error set) for a map index outside the map.
    auto decodePixel = [&](const uint8_t* p, Colour* out) {
        if (layout.kind == Kind::TrueColour) {
            *out = colourOf(p, layout.pixelBytes, attributeAlpha);
        } else if (layout.kind == Kind::Grey) {
            *out = greyOf(p, layout.pixelBytes);
        } else {
            const uint32_t value = layout.pixelBytes == 2 ? p[0] | uint32_t{p[1]} << 8 : p[0];
            if (value < h.colourMapFirstEntry ||
                value - h.colourMapFirstEntry >= h.colourMapLength) {
                setError(error, errorSize,
                         "colour-map index %u is outside the map's %u entries from %u", value,
                         unsigned{h.colourMapLength}, unsigned{h.colourMapFirstEntry});
                return false;
            }
            const size_t entry = value - h.colourMapFirstEntry;
            *out = colourOf(map + entry * size_t(layout.entryBytes), layout.entryBytes,
                            attributeAlpha && layout.entryBytes == 2);
        }
        return true;
    };
    // Stores the colour of the i-th stored pixel where it belongs in the bottom-first image.
    auto store = [&](size_t i, Colour colour) {
        const int fileRow = static_cast<int>(i / size_t(width));
        const int fileColumn = static_cast<int>(i % size_t(width));
        const int row = topFirst ? height - 1 - fileRow : fileRow;
        const int column = rightToLeft ? width - 1 - fileColumn : fileColumn;
        image->pixels[size_t(row) * size_t(width) + size_t(column)] = colour;
    };

    const size_t count = static_cast<size_t>(pixels);
    const size_t step = size_t(layout.pixelBytes);
    size_t at = layout.dataOffset;
    bool ok = true;
    if (!layout.rle) {
        for (size_t i = 0; ok && i < count; ++i, at += step) {
            Colour colour;
            ok = decodePixel(bytes + at, &colour);
            if (ok) store(i, colour);
        }
    } else {
        size_t i = 0;
        while (ok && i < count) {
            if (at >= size) {
                setError(error, errorSize,
                         "run-length data ends at byte %zu with %zu of %zu pixels decoded", size, i,
                         count);
                ok = false;
                break;
            }
            const uint8_t packet = bytes[at++];
            const size_t run = size_t(packet & 0x7f) + 1;
            const bool repeated = (packet & 0x80) != 0;
            if (run > count - i) {
                setError(error, errorSize,
                         "run-length packet at byte %zu covers %zu pixels but only %zu are left",
                         at - 1, run, count - i);
                ok = false;
                break;
            }
            const size_t stored = repeated ? step : step * run;
            if (stored > size - at) {
                setError(error, errorSize,
                         "run-length packet at byte %zu needs %zu bytes but the file ends at %zu",
                         at - 1, stored, size);
                ok = false;
                break;
            }
            Colour colour{};
            for (size_t k = 0; ok && k < run; ++k) {
                if (!repeated || k == 0)
                    ok = decodePixel(bytes + at + (repeated ? 0 : k * step), &colour);
                if (ok) store(i + k, colour);
            }
            at += stored;
            i += run;
        }
    }
    if (!ok) {
        destroyImage(image);
        return nullptr;
    }
    return image;
}
