// Hostile TGA files through the reader as the texture registry calls it (readTga on a file):
// each either loads with the bytes per pixel the header selects, or is refused with one line on
// standard error that names the file and the reason, and never prints the success line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "texture/tga.h"

namespace {

std::vector<uint8_t> header(uint16_t width, uint16_t height, uint8_t depth) {
    return {0,
            0,
            2,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            static_cast<uint8_t>(width & 0xff),
            static_cast<uint8_t>(width >> 8),
            static_cast<uint8_t>(height & 0xff),
            static_cast<uint8_t>(height >> 8),
            depth,
            0};
}

std::vector<uint8_t> tga(uint16_t width, uint16_t height, uint8_t depth, size_t bodyBytes) {
    std::vector<uint8_t> bytes = header(width, height, depth);
    for (size_t i = 0; i < bodyBytes; ++i) bytes.push_back(static_cast<uint8_t>(i * 41 + 7));
    return bytes;
}

struct Folder {
    std::filesystem::path path;
    Folder() {
        char name[] = "/tmp/krestel-hostile-tga-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

} // namespace

TEST(HostileTga, EachFileLoadsOrIsRefusedWithItsNameAndReason) {
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
        int loadsWith;      // bytes per pixel of the image, 0 when refused
        const char* reason; // after "TGA_READ: '<path>': "
    } cases[] = {
        {"zero.tga", tga(0, 0, 24, 0), 0, "image is 0 by 0: it has no pixels"},
        {"zero-wide.tga", tga(0, 5, 24, 30), 0, "image is 0 by 5: it has no pixels"},
        {"huge.tga", tga(65535, 65535, 24, 100), 0,
         "file has 118 bytes but a 65535 by 65535 24-bit image needs 12884508693"},
        {"huge32.tga", tga(65535, 65535, 32, 100), 0,
         "file has 118 bytes but a 65535 by 65535 32-bit image needs 17179344918"},
        // Depths other than 32 are read with three bytes per pixel.
        {"depth8.tga", tga(2, 2, 8, 12), 3, nullptr},
        {"depth16.tga", tga(2, 2, 16, 12), 3, nullptr},
        {"depth24.tga", tga(2, 2, 24, 12), 3, nullptr},
        {"depth32.tga", tga(2, 2, 32, 16), 4, nullptr},
        {"depth7.tga", tga(2, 2, 7, 12), 3, nullptr},
        // The same depths with the body their own depth would need: too short for 3 bytes.
        {"depth8-own-size.tga", tga(2, 2, 8, 4), 0,
         "file has 22 bytes but a 2 by 2 24-bit image needs 30"},
        {"depth16-own-size.tga", tga(2, 2, 16, 8), 0,
         "file has 26 bytes but a 2 by 2 24-bit image needs 30"},
        {"depth7-own-size.tga", tga(2, 2, 7, 4), 0,
         "file has 22 bytes but a 2 by 2 24-bit image needs 30"},
        {"cut-after-header.tga", tga(2, 2, 24, 0), 0,
         "file has 18 bytes but a 2 by 2 24-bit image needs 30"},
        {"cut-mid-pixel.tga", tga(2, 2, 32, 9), 0,
         "file has 27 bytes but a 2 by 2 32-bit image needs 34"},
        {"cut-in-header.tga", tga(2, 2, 24, 0), 0,
         "file has 13 bytes but the header alone needs 18"},
        {"empty.tga", {}, 0, "file has 0 bytes but the header alone needs 18"},
    };
    cases[14].bytes.resize(13);
    Folder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = (folder.path / c.file).string();
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(c.bytes.data()),
                      static_cast<std::streamsize>(c.bytes.size()));
        }
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        TgaImage* image = readTga(path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (c.loadsWith) {
            ASSERT_NE(image, nullptr) << err;
            EXPECT_EQ(image->width, 2);
            EXPECT_EQ(image->height, 2);
            EXPECT_EQ(out, "'" + path + "' (" + std::to_string(c.loadsWith) +
                               " byte) image file closed and read.\n");
            EXPECT_EQ(err, "");
            // The last pixel comes from the last bytes the depth selects.
            const size_t last = 18 + 3 * static_cast<size_t>(c.loadsWith);
            EXPECT_FLOAT_EQ(image->pixels[3].b, c.bytes[last] * 0.003921569f);
        } else {
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(err, "TGA_READ: '" + path + "': " + c.reason + "\n");
            EXPECT_EQ(out, "");
        }
        destroyImage(image);
    }
}

TEST(HostileTga, EveryCutOfAGoodFileIsRefusedWithoutReadingPastTheEnd) {
    for (uint8_t depth : {24, 32}) {
        const std::vector<uint8_t> whole = tga(3, 2, depth, depth == 32 ? 24 : 18);
        for (size_t size = 0; size < whole.size(); ++size) {
            // An exact-size heap copy, so the sanitizer build sees a read past the end.
            auto* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
            std::copy(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size), bytes);
            char error[160] = "";
            TgaImage* image = decodeTga(bytes, size, nullptr, error, sizeof error);
            EXPECT_EQ(image, nullptr) << int{depth} << "-bit cut at " << size;
            EXPECT_NE(error[0], '\0') << size;
            destroyImage(image);
            std::free(bytes);
        }
        char error[160] = "";
        int bytesPerPixel = 0;
        TgaImage* image =
            decodeTga(whole.data(), whole.size(), &bytesPerPixel, error, sizeof error);
        ASSERT_NE(image, nullptr) << error;
        EXPECT_EQ(bytesPerPixel, depth / 8);
        destroyImage(image);
    }
}
