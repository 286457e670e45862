// Replays every fuzz seed and every kept fuzz finding through the readers: the scene parser (with
// and without its fast paths) and the image decoder must hold the invariants of
// fuzz/scene_check.h and fuzz/image_check.h on each, in the plain and the sanitizer build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/image_check.h"
#include "fuzz/scene_check.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> inputsOf(const char* kind, const char* target) {
    std::vector<fs::path> paths;
    const fs::path folder = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "fuzz" / kind / target;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> contents;
    for (const fs::path& path : paths) {
        std::ifstream in(path, std::ios::binary);
        contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return contents;
}

TEST(FuzzReplay, SceneAndImageInputsHoldTheReadersInvariants) {
    const auto sceneSeeds = inputsOf("corpus", "parse_scene");
    const auto imageSeeds = inputsOf("corpus", "decode_image");
    ASSERT_GE(sceneSeeds.size(), 5u) << "seed corpus not found";
    ASSERT_GE(imageSeeds.size(), 5u) << "seed corpus not found";
    int whole = 0;
    for (const auto& set : {sceneSeeds, inputsOf("regressions", "parse_scene")})
        for (const std::string& text : set) {
            SceneDescription description;
            const ParseError error = parseScene(text, &description);
            whole += error.kind == ParseErrorKind::None;
            EXPECT_EQ(checkParsedScene(description, error, text), "") << text.substr(0, 60);
            EXPECT_EQ(checkFastPathsAgree(text), "") << text.substr(0, 60);
        }
    EXPECT_GE(whole, 4); // whole scenes among the seeds keep the fuzzer from starting from noise
    for (const auto& set : {imageSeeds, inputsOf("regressions", "decode_image")})
        for (const std::string& bytes : set)
            EXPECT_EQ(checkDecodedImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "");
}

} // namespace
