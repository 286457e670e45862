// Images as ImageMagick writes one 6 by 4 picture, decoded upright pixel by pixel; a hand-made
// TGA; hostile files and every cut of a good one, each refused with its reason; how much of a
// file its header lets the reader read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_data.h"
#include "texture/image.h"
#include "texture/tga.h"

namespace {

constexpr int W = 6, H = 4;
// RGBA, top row first: red, green, blue, white, black, half-transparent yellow, then a pattern.
std::vector<uint8_t> picture() {
    std::vector<uint8_t> p = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 128};
    for (int i = W; i < W * H; ++i) p.insert(p.end(), {uint8_t(i % W * 40), uint8_t(i / W * 60), uint8_t(i * 9), uint8_t(i % 3 ? 255 : 100)});
    return p;
}

// Writes the picture through ImageMagick with these options and returns the file's bytes.
std::vector<uint8_t> convert(const TempFolder& dir, const std::string& options, const std::string& name) {
    writeBytes(dir.file("pic.rgba"), picture());
    const std::string command = "convert -size 6x4 -depth 8 rgba:" + dir.file("pic.rgba") + " " + options + " " + dir.file(name);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(dir.file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An exact-size copy, so the sanitizer build sees any read past the end.
TgaImage* decode(const std::vector<uint8_t>& bytes, int* bytesPerPixel, char (&error)[200]) {
    std::vector<uint8_t> copy(bytes);
    copy.shrink_to_fit();
    error[0] = 0;
    return decodeImage(copy.data(), copy.size(), bytesPerPixel, error, sizeof error);
}

TEST(ImageFormats, EveryCommonVariantDecodesUprightToThePicture) {
    enum { ALPHA = 1, GREY = 2 };
    const struct { const char *name, *options; int kind, bytesPerPixel, tolerance; } rows[] = {
        {"bottom-left.tga", "-alpha off -flip -compress none", 0, 3, 1},
        {"top-left.tga", "-alpha off -orient topleft -compress none", 0, 3, 1},
        {"id-field.tga", "-alpha off -set comment 'an ID field' -flip -compress none", 0, 3, 1},
        {"rle32.tga", "-orient topleft -compress RLE", ALPHA, 4, 1},
        {"grey.tga", "-alpha off -colorspace Gray -orient topleft -compress none", GREY, 1, 1},
        {"grey-rle.tga", "-alpha off -colorspace Gray -flip -compress RLE", GREY, 1, 1},
        {"mapped-rle.tga", "-alpha off -type Palette -flip -compress RLE", 0, 3, 1},
        // ImageMagick's 5-bit writer rounds down by up to 16 (it reads its file as we do).
        {"16bit.tga", "-alpha off -depth 5 -orient topleft -compress none", 0, 2, 17},
        {"8bit.png", "-define png:format=png32", ALPHA, 4, 1},
        {"palette.png", "-alpha off -type Palette", 0, 4, 1},
        {"grey-alpha.png", "-colorspace Gray -type GrayscaleAlpha", GREY | ALPHA, 4, 1},
        {"interlaced.png", "-define png:format=png64 -interlace PNG", ALPHA, 4, 1},
        {"baseline.jpg", "-alpha off -quality 98 -sampling-factor 1x1", 0, 4, 12},
    };
    const std::vector<uint8_t> pic = picture();
    TempFolder dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        char error[200];
        int bytesPerPixel = 0; // the decoded data's for PNG and JPEG, the stored pixel's for TGA
        TgaImage* image = decode(convert(dir, row.options, row.name), &bytesPerPixel, error);
        ASSERT_NE(image, nullptr) << error;
        ASSERT_EQ(image->width * 10 + image->height, W * 10 + H);
        EXPECT_EQ(bytesPerPixel, row.bytesPerPixel);
        for (int i = 0; i < W * H; ++i) {
            const uint8_t* p = &pic[size_t(i) * 4];
            const int luma = int(std::lround(0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]));
            int want[4] = {p[0], p[1], p[2], row.kind & ALPHA ? p[3] : 255};
            if (row.kind & GREY) want[0] = want[1] = want[2] = luma;
            // Row 0 of the image is the picture's bottom row.
            const Colour c = image->pixels[size_t((H - 1 - i / W) * W + i % W)];
            const float got[4] = {c.r, c.g, c.b, c.a};
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(got[k] * 255, want[k], row.tolerance) << "pixel " << i << "." << k;
        }
        destroyImage(image);
    }
}

// A TGA header of this type, map entry size and depth, 2 by 1 unless given, then `body`.
std::vector<uint8_t> tga(uint8_t type, uint8_t mapBits, uint8_t depth, const std::vector<uint8_t>& body,
                         uint16_t width = 2, uint16_t height = 1) {
    std::vector<uint8_t> b = makeTga({.colourMapType = uint8_t(mapBits ? 1 : 0), .imageType = type,
                                      .width = width, .height = height, .pixelDepth = depth}, body);
    if (mapBits) b[5] = 2, b[7] = mapBits;
    return b;
}

// 300 = 0x012c, 129 = 0x0081: both bytes of each side matter; BGRA order; channels scaled by the
// single-precision constant (exactly, not n / 255). setPixel one past the last pixel would overwrite
// the allocator's header of the next block; with its cache of freed blocks of that size full,
// freeing the image checks that header, so even the plain build stops there.
TEST(ImageFormats, HandMadeTgaPixelsAreExactAndSetPixelStaysInside) {
    constexpr float UNIT = 0.003921569f;
    std::vector<uint8_t> body(size_t{300} * 129 * 4 - 4, 7);
    body.insert(body.end(), {1, 2, 200, 128});
    char error[200];
    int bytesPerPixel = 0;
    TgaImage* image = decode(tga(2, 0, 32, body, 300, 129), &bytesPerPixel, error);
    ASSERT_NE(image, nullptr) << error;
    const Colour c = image->pixels[300 * 129 - 1];
    EXPECT_EQ(std::tuple(bytesPerPixel, c.r, c.g, c.b, c.a),
              std::tuple(4, 200 * UNIT, 2 * UNIT, UNIT, 128 * UNIT));
    destroyImage(image);
    std::vector<TgaImage*> spare(8);
    for (TgaImage*& s : spare) s = createImage(3, 2);
    image = createImage(3, 2);
    for (TgaImage* s : spare) destroyImage(s);
    fillImage(image, Colour{0.25f, 0.5f, 0.75f, 1.0f});
    for (int32_t index : {6, -1, 5}) setPixel(image, Colour{1, 0, 0, 0}, index);
    EXPECT_EQ(std::tuple(image->pixels[4].g, image->pixels[5].g), std::tuple(0.5f, 0.0f));
    EXPECT_EQ(destroyImage(image), 0);
}

// The picture as a PNG declaring another size (the header's CRC mended).
std::vector<uint8_t> pngOfSize(const TempFolder& dir, uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = convert(dir, "", "wide.png");
    auto put = [&](size_t at, uint32_t v) { for (int k = 0; k < 4; ++k) png[at + size_t(k)] = uint8_t(v >> (24 - 8 * k)); };
    put(16, width), put(20, height), put(29, uint32_t(crc32(0, &png[12], 17)));
    return png;
}

TEST(ImageFormats, HostileFilesAreRefusedWithTheirReason) {
    TempFolder dir;
    const std::vector<uint8_t> png = convert(dir, "-strip", "good.png"); // IDAT, then IEND
    const std::vector<uint8_t> jpeg = convert(dir, "-alpha off", "good.jpg");
    std::vector<uint8_t> badCrc = png;
    badCrc[png.size() - 13] ^= 1; // last byte of the IDAT CRC (IEND is 12 bytes)
    const struct { std::vector<uint8_t> bytes; std::string reason; } rows[] = {
        {{}, "file has 0 bytes but the header alone needs 18"},
        {std::vector<uint8_t>(17, 0), "file has 17 bytes but the header alone needs 18"},
        {tga(2, 0, 24, {1, 2, 3}, 0, 5), "image is 0 by 5: it has no pixels"},
        {tga(2, 0, 32, {}, 4, 0), "image is 4 by 0: it has no pixels"},
        {tga(2, 0, 8, std::vector<uint8_t>(4, 9), 2, 2), "a type 2 image has 8 bits per pixel; expected 15, 16, 24 or 32"},
        {tga(2, 0, 32, std::vector<uint8_t>(62, 9), 4, 4), "file has 80 bytes but a 4 by 4 32-bit image needs 82"},
        {tga(2, 0, 24, std::vector<uint8_t>(100, 1), 16384, 16383),
         "file has 118 bytes but a 16384 by 16383 24-bit image needs " + std::to_string(18 + 16384ull * 16383ull * 3)},
        {tga(10, 0, 24, {0x82, 1, 2, 3, 0}), "covers 3 pixels"}, // RLE run past the image
        {tga(10, 0, 24, {0x01, 1, 2, 3, 4}), "needs 6 bytes"},   // RLE data past the file
        {tga(1, 24, 8, {1, 2, 3, 4, 5, 6, 0, 2}), "index 2 is outside"},
        {tga(1, 12, 8, {1, 2, 3, 4, 0, 1}), "entries of 12 bits"},
        {tga(2, 0, 24, {}, 16385), "image is 16385 by 1; the largest accepted is 16384 on a side"}, // before the size
        {pngOfSize(dir, 16385, 4), "PNG: image is 16385 by 4"},
        {pngOfSize(dir, 16384, 16384), "cannot be held in"},
        {std::vector<uint8_t>(png.begin(), png.begin() + 60), "PNG: "},
        {std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 40), "JPEG: "},
        {badCrc, "PNG: CRC error in IDAT chunk"},
        {std::vector<uint8_t>(40, 'x'), "not a TGA, PNG or JPEG file"},
    };
    for (const auto& row : rows) {
        char error[200];
        TgaImage* image = decode(row.bytes, nullptr, error);
        EXPECT_EQ(image, nullptr) << row.reason;
        EXPECT_NE(std::string(error).find(row.reason), std::string::npos) << row.reason << ": " << error;
        destroyImage(image);
    }
    // Every cut of a good file is refused; the reason is cut to the buffer it is given.
    for (uint8_t depth : {24, 32}) {
        const auto whole = tga(2, 0, depth, std::vector<uint8_t>(size_t(depth / 8 * 6), 77), 3, 2);
        for (size_t size = 0; size <= whole.size(); ++size) {
            char error[200];
            TgaImage* image = decode({whole.begin(), whole.begin() + std::ptrdiff_t(size)}, nullptr, error);
            EXPECT_EQ(image == nullptr, size < whole.size()) << int{depth} << "-bit cut at " << size << error;
            destroyImage(image);
        }
    }
    char small[12] = "xxxxxxxxxxx";
    EXPECT_EQ(decodeTga(rows[6].bytes.data(), rows[6].bytes.size(), nullptr, small, 8), nullptr);
    EXPECT_EQ(std::string(small), "file ha");
    EXPECT_EQ(small[8], 'x');
}

// How much of a file is read, from its first bytes: what the header promises (each pixel in a
// packet of its own for run-length data; a PNG's rows with a quarter more; a JPEG's 32 bytes a
// pixel; a megabyte more for other chunks), and nothing further when no decoder takes them.
TEST(ImageFormats, FilesAreReadNoFurtherThanTheirHeaderPromises) {
    TempFolder dir;
    const struct { std::vector<uint8_t> head; uint64_t limit; } rows[] = {
        {tga(2, 0, 24, {}, 3, 2), 18 + 18},
        {tga(10, 0, 32, {}, 3, 2), 18 + 6 * 5},
        {tga(1, 24, 8, {}), 18 + 2 * 3 + 2}, // two map entries, then an index a pixel
        {makeTga({.idLength = 7, .width = 2, .height = 1}, {}), 18 + 7 + 6},
        {convert(dir, "-define png:format=png32", "limit.png"), 4 * (24 + 15) + 39 + (1 << 20)},
        {convert(dir, "-alpha off", "limit.jpg"), 24 * 32 + (1 << 20)},
        {tga(2, 0, 24, {}, 16385), 18},               // refused by its header
        {std::vector<uint8_t>(size_t{1} << 20), 1 << 20}, // the first megabyte of /dev/zero
    };
    for (const auto& row : rows) EXPECT_EQ(imageSizeLimit(row.head.data(), row.head.size()), row.limit);
}

} // namespace
