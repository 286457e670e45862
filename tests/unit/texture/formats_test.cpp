// Image files as ImageMagick writes them from one 6 by 4 picture, decoded and compared pixel by
// pixel, upright; then hostile files, each refused with its reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_data.h"
#include "texture/image.h"

namespace {

constexpr int W = 6, H = 4;
// RGBA, top row first: red, green, blue, white, black, half-transparent yellow, then a pattern.
std::vector<uint8_t> picture() {
    std::vector<uint8_t> p = {255, 0,   0,   255, 0, 255, 0, 255, 0,   0,   255, 255,
                              255, 255, 255, 255, 0, 0,   0, 255, 255, 255, 0,   128};
    for (int i = W; i < W * H; ++i)
        p.insert(p.end(), {uint8_t(i % W * 40), uint8_t(i / W * 60), uint8_t(i * 9),
                           uint8_t(i % 3 ? 255 : 100)});
    return p;
}

// Writes the picture through ImageMagick with these options and returns the file's bytes.
std::vector<uint8_t> convert(const TempFolder& dir, const std::string& options,
                             const std::string& name) {
    writeBytes(dir.file("pic.rgba"), picture());
    const std::string command = "convert -size 6x4 -depth 8 rgba:" + dir.file("pic.rgba") + " " +
                                options + " " + dir.file(name);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(dir.file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ImageFormats, EveryCommonVariantDecodesUprightToThePicture) {
    enum { ALPHA = 1, GREY = 2 };
    const struct {
        const char *name, *options;
        int kind, bytesPerPixel, tolerance;
    } rows[] = {
        {"bottom-left.tga", "-alpha off -flip -compress none", 0, 3, 1},
        {"top-left.tga", "-alpha off -orient topleft -compress none", 0, 3, 1},
        {"rle32.tga", "-orient topleft -compress RLE", ALPHA, 4, 1},
        {"grey.tga", "-alpha off -colorspace Gray -orient topleft -compress none", GREY, 1, 1},
        {"grey-rle.tga", "-alpha off -colorspace Gray -flip -compress RLE", GREY, 1, 1},
        {"mapped-rle.tga", "-alpha off -type Palette -flip -compress RLE", 0, 3, 1},
        // ImageMagick's 5-bit writer rounds down by up to 16 (it reads its file as we do).
        {"16bit.tga", "-alpha off -depth 5 -orient topleft -compress none", 0, 2, 17},
        {"8bit.png", "-define png:format=png32", ALPHA, 4, 1},
        {"16bit.png", "-define png:format=png64", ALPHA, 4, 1},
        {"palette.png", "-alpha off -type Palette", 0, 4, 1},
        {"grey-alpha.png", "-colorspace Gray -type GrayscaleAlpha", GREY | ALPHA, 4, 1},
        {"interlaced.png", "-define png:format=png64 -interlace PNG", ALPHA, 4, 1},
        {"baseline.jpg", "-alpha off -quality 98 -sampling-factor 1x1", 0, 4, 12},
        {"progressive.jpg", "-alpha off -quality 98 -sampling-factor 1x1 -interlace JPEG", 0, 4,
         12},
    };
    const std::vector<uint8_t> pic = picture();
    TempFolder dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<uint8_t> bytes = convert(dir, row.options, row.name);
        char error[200] = "";
        int bytesPerPixel = 0; // the decoded data's for PNG and JPEG, the stored pixel's for TGA
        TgaImage* image = decodeImage(bytes.data(), bytes.size(), &bytesPerPixel, error, 200);
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
std::vector<uint8_t> tga(uint8_t type, uint8_t mapBits, uint8_t depth,
                         const std::vector<uint8_t>& body, uint16_t width = 2) {
    std::vector<uint8_t> b(18, 0);
    b[1] = mapBits ? 1 : 0, b[2] = type, b[5] = 2, b[7] = mapBits, b[16] = depth;
    b[12] = uint8_t(width), b[13] = uint8_t(width >> 8), b[14] = 1;
    for (uint8_t v : body) b.push_back(v);
    return b;
}

// The picture as a PNG declaring another size (the header's CRC mended).
std::vector<uint8_t> pngOfSize(const TempFolder& dir, uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = convert(dir, "", "wide.png");
    auto put = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) png[at + size_t(k)] = uint8_t(v >> (24 - 8 * k));
    };
    put(16, width), put(20, height), put(29, uint32_t(crc32(0, &png[12], 17)));
    return png;
}

TEST(ImageFormats, HostileFilesAreRefusedWithTheirReason) {
    TempFolder dir;
    const std::vector<uint8_t> png = convert(dir, "-strip", "good.png"); // IDAT, then IEND
    const std::vector<uint8_t> jpeg = convert(dir, "-alpha off", "good.jpg");
    std::vector<uint8_t> badCrc = png;
    badCrc[png.size() - 13] ^= 1; // last byte of the IDAT CRC (IEND is 12 bytes)
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;
    } rows[] = {
        {"RLE run past the image", tga(10, 0, 24, {0x82, 1, 2, 3, 0}), "covers 3 pixels"},
        {"RLE data past the file", tga(10, 0, 24, {0x01, 1, 2, 3, 4}), "needs 6 bytes"},
        {"map index past the map", tga(1, 24, 8, {1, 2, 3, 4, 5, 6, 0, 2}), "index 2 is outside"},
        {"map entry size", tga(1, 12, 8, {1, 2, 3, 4, 0, 1}), "entries of 12 bits"},
        {"TGA too wide", tga(2, 0, 24, std::vector<uint8_t>(3 * 16385), 16385), "16384 on a side"},
        {"PNG too wide", pngOfSize(dir, 16385, 4), "PNG: image is 16385 by 4"},
        {"PNG larger than its data", pngOfSize(dir, 16384, 16384), "cannot be held in"},
        {"truncated PNG", std::vector<uint8_t>(png.begin(), png.begin() + 60), "PNG: "},
        {"truncated JPEG", std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 40), "JPEG: "},
        {"PNG CRC", badCrc, "PNG: CRC error in IDAT chunk"},
        {"text", std::vector<uint8_t>(40, 'x'), "not a TGA, PNG or JPEG file"},
    };
    for (const auto& row : rows) {
        char error[200] = "";
        TgaImage* image = decodeImage(row.bytes.data(), row.bytes.size(), nullptr, error, 200);
        EXPECT_EQ(image, nullptr) << row.what;
        EXPECT_NE(std::string(error).find(row.reason), std::string::npos)
            << row.what << ": " << error;
        destroyImage(image);
    }
}

} // namespace
