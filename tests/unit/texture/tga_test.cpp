// TGA decoding from memory and the file wrapper's console messages: hand-made bytes, hostile
// headers, and every cut of a good file (exact-size copies, so the sanitizer build sees a read
// past the end).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "test_data.h"
#include "texture/tga.h"

namespace {

constexpr float UNIT = 0.003921569f;

std::vector<uint8_t> firstBytes(std::vector<uint8_t> bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

struct Decoded {
    TgaImage* image;
    int bytesPerPixel;
    std::string error;
};

// Decodes from a heap copy of exactly the given size, so that a sanitizer build sees any read
// past the end.
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

void expectColour(const Colour& c, float r, float g, float b, float a, const std::string& what) {
    EXPECT_FLOAT_EQ(c.r, r) << what;
    EXPECT_FLOAT_EQ(c.g, g) << what;
    EXPECT_FLOAT_EQ(c.b, b) << what;
    EXPECT_FLOAT_EQ(c.a, a) << what;
}

TEST(DecodeTga, ThirtyTwoBitPixelCarriesAlphaScaledByTheSinglePrecisionConstant) {
    const auto bytes = makeTga({.width = 1, .height = 1, .pixelDepth = 32}, {0, 0, 255, 128});
    Decoded d = decode(bytes);
    ASSERT_NE(d.image, nullptr) << d.error;
    EXPECT_EQ(d.bytesPerPixel, 4);
    EXPECT_EQ(d.image->pixels[0].r, 255 * UNIT);
    EXPECT_EQ(d.image->pixels[0].g, 0.0f);
    EXPECT_EQ(d.image->pixels[0].b, 0.0f);
    EXPECT_EQ(d.image->pixels[0].a, 128 * UNIT); // exact: the product, not 128 / 255
    destroyImage(d.image);
}

TEST(DecodeTga, WidthAndHeightAreLittleEndianUnsigned) {
    // 300 = 0x012c, 129 = 0x0081: both bytes of each field matter.
    std::vector<uint8_t> body(size_t{300} * 129 * 3, 7);
    body[(size_t{300} * 129 - 1) * 3 + 2] = 200; // red of the last pixel
    Decoded d = decode(makeTga({.width = 300, .height = 129}, body));
    ASSERT_NE(d.image, nullptr) << d.error;
    EXPECT_EQ(d.image->width, 300);
    EXPECT_EQ(d.image->height, 129);
    EXPECT_FLOAT_EQ(d.image->pixels[300 * 129 - 1].r, 200 * UNIT);
    EXPECT_FLOAT_EQ(d.image->pixels[300 * 129 - 1].g, 7 * UNIT);
    destroyImage(d.image);
}

TEST(DecodeTga, PixelDepthSelectsBytesPerPixel) {
    struct Case {
        uint8_t depth;
        int bytesPerPixel;
    };
    for (const Case c : {Case{24, 3}, Case{32, 4}}) {
        SCOPED_TRACE("depth " + std::to_string(c.depth));
        // Two pixels: the second starts at byte bytesPerPixel, so a wrong stride shows.
        std::vector<uint8_t> body = {10, 20, 30, 40, 50, 60, 70, 80};
        body.resize(size_t(2 * c.bytesPerPixel));
        Decoded d = decode(makeTga({.width = 2, .height = 1, .pixelDepth = c.depth}, body));
        ASSERT_NE(d.image, nullptr) << d.error;
        EXPECT_EQ(d.bytesPerPixel, c.bytesPerPixel);
        const Colour second = d.image->pixels[1];
        if (c.bytesPerPixel == 4) {
            expectColour(second, 70 * UNIT, 60 * UNIT, 50 * UNIT, 80 * UNIT, "second");
        } else {
            expectColour(second, 60 * UNIT, 50 * UNIT, 40 * UNIT, 1.0f, "second");
        }
        destroyImage(d.image);

        // One byte short of the declared pixels is refused.
        body.pop_back();
        d = decode(makeTga({.width = 2, .height = 1, .pixelDepth = c.depth}, body));
        EXPECT_EQ(d.image, nullptr);
    }
}

TEST(DecodeTga, MalformedFilesAreRefusedWithAReason) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"empty", {}, "file has 0 bytes but the header alone needs 18"},
        {"cut inside the header", firstBytes(makeTga({.width = 2, .height = 2}, {}), 17),
         "file has 17 bytes but the header alone needs 18"},
        {"no pixels at all", makeTga({.width = 0, .height = 0}, {1, 2, 3}),
         "image is 0 by 0: it has no pixels"},
        {"zero width", makeTga({.width = 0, .height = 5}, {1, 2, 3}),
         "image is 0 by 5: it has no pixels"},
        {"zero height", makeTga({.width = 4, .height = 0, .pixelDepth = 32}, {}),
         "image is 4 by 0: it has no pixels"},
        {"8-bit true-colour depth",
         makeTga({.width = 2, .height = 2, .pixelDepth = 8}, std::vector<uint8_t>(4, 9)),
         "a type 2 image has 8 bits per pixel; expected 15, 16, 24 or 32"},
        {"cut after the header", makeTga({.width = 2, .height = 2}, {}),
         "file has 18 bytes but a 2 by 2 24-bit image needs 30"},
        {"cut inside a pixel", makeTga({.width = 2, .height = 2}, std::vector<uint8_t>(10, 9)),
         "file has 28 bytes but a 2 by 2 24-bit image needs 30"},
        {"cut inside a 32-bit pixel",
         makeTga({.width = 4, .height = 4, .pixelDepth = 32}, std::vector<uint8_t>(62, 9)),
         "file has 80 bytes but a 4 by 4 32-bit image needs 82"},
        // Must be refused before anything is allocated for 4 billion pixels.
        {"largest header, tiny body",
         makeTga({.width = 65535, .height = 65535}, std::vector<uint8_t>(100, 1)),
         "file has 118 bytes but a 65535 by 65535 24-bit image needs " +
             std::to_string(18 + 65535ull * 65535ull * 3)},
        {"largest header, 32-bit", makeTga({.width = 65535, .height = 65535, .pixelDepth = 32}, {}),
         "file has 18 bytes but a 65535 by 65535 32-bit image needs " +
             std::to_string(18 + 65535ull * 65535ull * 4)},
    };
    for (const Case& c : cases) {
        Decoded d = decode(c.bytes);
        EXPECT_EQ(d.image, nullptr) << c.what;
        EXPECT_EQ(d.error, c.error) << c.what;
    }
}

TEST(DecodeTga, EveryCutOfAGoodFileIsRefusedWithoutReadingPastTheEnd) {
    for (uint8_t depth : {24, 32}) {
        const auto whole = makeTga({.width = 3, .height = 2, .pixelDepth = depth},
                                   std::vector<uint8_t>(size_t(depth / 8 * 6), 77));
        for (size_t size = 0; size < whole.size(); ++size) {
            Decoded d =
                decode(std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(size)));
            EXPECT_EQ(d.image, nullptr) << int{depth} << "-bit cut at " << size;
            EXPECT_FALSE(d.error.empty()) << size;
        }
        Decoded d = decode(whole);
        ASSERT_NE(d.image, nullptr) << d.error;
        EXPECT_EQ(d.bytesPerPixel, depth / 8);
        destroyImage(d.image);
    }
}

TEST(DecodeTga, TrailingBytesAreIgnored) {
    // Newer files end with extension and footer areas after the pixels.
    Decoded d = decode(makeTga({.width = 1, .height = 1}, {9, 8, 7, 1, 2, 3, 4, 5, 6}));
    ASSERT_NE(d.image, nullptr) << d.error;
    expectColour(d.image->pixels[0], 7 * UNIT, 8 * UNIT, 9 * UNIT, 1, "only pixel");
    destroyImage(d.image);
}

TEST(DecodeTga, ErrorTextNeverOverflowsItsBuffer) {
    const auto bytes = makeTga({.width = 65535, .height = 65535}, {});
    char small[12];
    std::memset(small, 'x', sizeof(small));
    EXPECT_EQ(decodeTga(bytes.data(), bytes.size(), nullptr, small, 8), nullptr);
    EXPECT_EQ(std::string(small), "file ha");
    EXPECT_EQ(small[8], 'x');
    // No error buffer at all is allowed too.
    EXPECT_EQ(decodeTga(bytes.data(), bytes.size(), nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(decodeTga(nullptr, 0, nullptr, nullptr, 0), nullptr);
}

TEST(TgaImageRecord, CreateFillSetAndDestroy) {
    TgaImage* image = createImage(3, 2);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    fillImage(image, Colour{0.25f, 0.5f, 0.75f, 1.0f});
    setPixel(image, Colour{1, 0, 0, 0}, 5);
    setPixel(image, Colour{9, 9, 9, 9}, 6);  // outside: ignored
    setPixel(image, Colour{9, 9, 9, 9}, -1); // outside: ignored
    for (int i = 0; i < 5; ++i) expectColour(image->pixels[i], 0.25f, 0.5f, 0.75f, 1, "filled");
    expectColour(image->pixels[5], 1, 0, 0, 0, "set");
    EXPECT_EQ(destroyImage(image), 0);
    EXPECT_EQ(destroyImage(nullptr), 0);
}

// ---- readTga: the file wrapper and its messages ----

// Runs readTga on a file of these bytes (none: no file) and returns what it printed.
struct ReadResult {
    TgaImage* image;
    std::string out, err, path;
};

ReadResult readFileBytes(const TempFolder& dir, const std::string& name,
                         const std::vector<uint8_t>* bytes) {
    ReadResult r{nullptr, {}, {}, dir.file(name)};
    if (bytes) writeBytes(r.path, *bytes);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    r.image = readTga(r.path.c_str());
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

TEST(ReadTga, PrintsOneLineOnTheRightStreamNamingTheFile) {
    TempFolder dir;
    const auto b24 = makeTga({.width = 2, .height = 1}, {1, 2, 3, 4, 5, 6});
    const auto b32 = makeTga({.width = 1, .height = 1, .pixelDepth = 32}, {1, 2, 3, 4});
    ReadResult r = readFileBytes(dir, "a.tga", &b24);
    ASSERT_NE(r.image, nullptr);
    expectColour(r.image->pixels[1], 6 * UNIT, 5 * UNIT, 4 * UNIT, 1, "24-bit");
    EXPECT_EQ(r.out, "'" + r.path + "' (3 byte) image file closed and read.\n");
    EXPECT_EQ(r.err, "");
    destroyImage(r.image);
    r = readFileBytes(dir, "b.tga", &b32);
    ASSERT_NE(r.image, nullptr);
    expectColour(r.image->pixels[0], 3 * UNIT, 2 * UNIT, 1 * UNIT, 4 * UNIT, "32-bit");
    EXPECT_EQ(r.out, "'" + r.path + "' (4 byte) image file closed and read.\n");
    destroyImage(r.image);

    r = readFileBytes(dir, "missing.tga", nullptr);
    EXPECT_EQ(r.image, nullptr);
    EXPECT_EQ(r.err, "TGA_READ: failed to open file " + r.path + "\n");
    EXPECT_EQ(r.out, "");
    const auto shortFile = makeTga({.width = 4, .height = 4}, std::vector<uint8_t>(12, 0));
    r = readFileBytes(dir, "short.tga", &shortFile);
    EXPECT_EQ(r.image, nullptr);
    EXPECT_EQ(r.err,
              "TGA_READ: '" + r.path + "': file has 30 bytes but a 4 by 4 24-bit image needs 66\n");
    EXPECT_EQ(r.out, "");
}

TEST(ReadTga, AFolderIsReportedAsUnreadable) {
    TempFolder dir;
    std::filesystem::create_directory(dir.file("folder.tga"));
    const ReadResult r = readFileBytes(dir, "folder.tga", nullptr);
    EXPECT_EQ(r.image, nullptr);
    EXPECT_EQ(r.out, "");
    // Whether fopen or the first read fails depends on the C library; either names the file.
    EXPECT_NE(r.err.find(r.path), std::string::npos) << r.err;
}

} // namespace
