// TGA decoding from memory: pixels of hand-made files, hostile headers, and every cut of a good
// file (exact-size copies, so the sanitizer build sees a
// read past the end).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "test_data.h"
#include "texture/tga.h"

namespace {

constexpr float UNIT = 0.003921569f;

struct Decoded {
    TgaImage* image;
    int bytesPerPixel;
    std::string error;
};

Decoded decode(const std::vector<uint8_t>& bytes) {
    auto* copy = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    Decoded d{nullptr, -1, {}};
    char error[200] = "";
    d.image = decodeTga(copy, bytes.size(), &d.bytesPerPixel, error, sizeof(error));
    d.error = error;
    std::free(copy);
    return d;
}

void expectColour(const Colour& c, Colour e, const std::string& what) {
    EXPECT_EQ(c.r, e.r) << what;
    EXPECT_EQ(c.g, e.g) << what;
    EXPECT_EQ(c.b, e.b) << what;
    EXPECT_EQ(c.a, e.a) << what;
}

TEST(DecodeTga, PixelsAreStoredBgrWithAlphaScaledByTheSinglePrecisionConstant) {
    std::vector<uint8_t> large(size_t{300} * 129 * 3, 7);
    large[(size_t{300} * 129 - 1) * 3 + 2] = 200; // red of the last pixel
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int bytesPerPixel, pixel;
        Colour colour;
    } cases[] = {
        {"32-bit", makeTga({.width = 1, .height = 1, .pixelDepth = 32}, {0, 0, 255, 128}), 4, 0,
         {255 * UNIT, 0, 0, 128 * UNIT}}, // exact: the product, not 128 / 255
        {"24-bit stride", makeTga({.width = 2, .height = 1}, {10, 20, 30, 40, 50, 60}), 3, 1,
         {60 * UNIT, 50 * UNIT, 40 * UNIT, 1}},
        {"32-bit stride", makeTga({.width = 2, .height = 1, .pixelDepth = 32}, {1, 2, 3, 4, 5, 6, 7, 8}),
         4, 1, {7 * UNIT, 6 * UNIT, 5 * UNIT, 8 * UNIT}},
        {"trailing bytes", makeTga({.width = 1, .height = 1}, {9, 8, 7, 1, 2, 3, 4}), 3, 0,
         {7 * UNIT, 8 * UNIT, 9 * UNIT, 1}},
        // 300 = 0x012c, 129 = 0x0081: both bytes of each little-endian side matter.
        {"300 by 129", makeTga({.width = 300, .height = 129}, large), 3, 300 * 129 - 1,
         {200 * UNIT, 7 * UNIT, 7 * UNIT, 1}},
    };
    for (const auto& c : cases) {
        Decoded d = decode(c.bytes);
        ASSERT_NE(d.image, nullptr) << c.what << ": " << d.error;
        EXPECT_EQ(d.bytesPerPixel, c.bytesPerPixel) << c.what;
        expectColour(d.image->pixels[c.pixel], c.colour, c.what);
        destroyImage(d.image);
    }
}

TEST(DecodeTga, HostileHeadersAreRefusedWithAReasonBeforeAnyAllocation) {
    const struct {
        std::vector<uint8_t> bytes;
        std::string error;
    } cases[] = {
        {{}, "file has 0 bytes but the header alone needs 18"},
        {std::vector<uint8_t>(17, 0), "file has 17 bytes but the header alone needs 18"},
        {makeTga({.width = 0, .height = 5}, {1, 2, 3}), "image is 0 by 5: it has no pixels"},
        {makeTga({.width = 4, .height = 0, .pixelDepth = 32}, {}), "image is 4 by 0: it has no pixels"},
        {makeTga({.width = 2, .height = 2, .pixelDepth = 8}, std::vector<uint8_t>(4, 9)),
         "a type 2 image has 8 bits per pixel; expected 15, 16, 24 or 32"},
        {makeTga({.width = 4, .height = 4, .pixelDepth = 32}, std::vector<uint8_t>(62, 9)),
         "file has 80 bytes but a 4 by 4 32-bit image needs 82"},
        {makeTga({.width = 65535, .height = 65535}, std::vector<uint8_t>(100, 1)),
         "file has 118 bytes but a 65535 by 65535 24-bit image needs " +
             std::to_string(18 + 65535ull * 65535ull * 3)},
    };
    for (const auto& c : cases) {
        Decoded d = decode(c.bytes);
        EXPECT_EQ(d.image, nullptr) << c.error;
        EXPECT_EQ(d.error, c.error);
    }
    // The reason is cut to the buffer it is given.
    const auto bytes = makeTga({.width = 65535, .height = 65535}, {});
    char small[12];
    std::memset(small, 'x', sizeof(small));
    EXPECT_EQ(decodeTga(bytes.data(), bytes.size(), nullptr, small, 8), nullptr);
    EXPECT_EQ(std::string(small), "file ha");
    EXPECT_EQ(small[8], 'x');
    EXPECT_EQ(decodeTga(nullptr, 0, nullptr, nullptr, 0), nullptr);
}

TEST(DecodeTga, EveryCutOfAGoodFileIsRefusedWithoutReadingPastTheEnd) {
    for (uint8_t depth : {24, 32}) {
        const auto whole = makeTga({.width = 3, .height = 2, .pixelDepth = depth},
                                   std::vector<uint8_t>(size_t(depth / 8 * 6), 77));
        for (size_t size = 0; size < whole.size(); ++size) {
            Decoded d = decode(std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(size)));
            EXPECT_EQ(d.image, nullptr) << int{depth} << "-bit cut at " << size;
            EXPECT_FALSE(d.error.empty()) << size;
        }
        Decoded d = decode(whole);
        ASSERT_NE(d.image, nullptr) << d.error;
        destroyImage(d.image);
    }
}

// One past the last pixel overwrites the allocator's record of the next block: the sanitizer
// build, and usually the allocator at destroyImage, stop there.
TEST(TgaImage, SetPixelIgnoresIndicesOutsideTheImage) {
    TgaImage* image = createImage(3, 2);
    fillImage(image, Colour{0.25f, 0.5f, 0.75f, 1.0f});
    for (int32_t index : {6, -1, 5}) setPixel(image, Colour{1, 0, 0, 0}, index);
    expectColour(image->pixels[4], {0.25f, 0.5f, 0.75f, 1}, "filled");
    expectColour(image->pixels[5], {1, 0, 0, 0}, "set");
    EXPECT_EQ(destroyImage(image), 0);
}

} // namespace
