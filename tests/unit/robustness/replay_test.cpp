// Every fuzz seed and kept fuzz finding through the scene parser (with and without its fast paths,
// as a scene and as a mesh file) and the image decoder: each holds the invariants of
// fuzz/scene_check.h and fuzz/image_check.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/image_check.h"
#include "fuzz/scene_check.h"

namespace {
namespace fs = std::filesystem;

std::vector<std::string> inputsOf(const char* kind, const char* target) {
    std::vector<std::string> contents;
    for (const auto& entry : fs::directory_iterator(fs::path(__FILE__).parent_path() / "../../../fuzz" / kind / target))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            std::ifstream in(entry.path(), std::ios::binary);
            contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    return contents;
}

TEST(FuzzReplay, SceneAndImageInputsHoldTheReadersInvariants) {
    int whole = 0;
    for (const char* kind : {"corpus", "regressions"})
        for (const std::string& text : inputsOf(kind, "parse_scene")) {
            SceneDescription description;
            const ParseError error = parseScene(text, &description);
            whole += error.kind == ParseErrorKind::None;
            EXPECT_EQ(checkParsedScene(description, error, text), "") << text.substr(0, 60);
            EXPECT_EQ(checkFastPathsAgree(text), "") << text.substr(0, 60);
            EXPECT_EQ(checkMeshFileAgrees(text), "") << text.substr(0, 60);
        }
    EXPECT_GE(whole, 4); // whole scenes among the seeds keep the fuzzer from starting from noise
    int images = 0;
    for (const char* kind : {"corpus", "regressions"})
        for (const std::string& bytes : inputsOf(kind, "decode_image")) {
            EXPECT_EQ(checkDecodedImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "");
            ++images;
        }
    EXPECT_GE(images, 5) << "seed corpus not found";
}

} // namespace
