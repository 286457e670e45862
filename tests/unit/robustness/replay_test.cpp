// Replays every fuzz seed and every kept fuzz finding through the readers: the scene parser
// (with and without its fast paths) and the TGA decoder must hold the invariants of
// fuzz/scene_check.h and fuzz/image_check.h on each. Runs in the plain and in the sanitizer build, so
// a fixed finding stays fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/scene_check.h"
#include "fuzz/image_check.h"

namespace {

namespace fs = std::filesystem;

// The fuzz folder of this checkout, found from this file's own path.
fs::path fuzzFolder() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "fuzz";
}

std::vector<fs::path> inputsOf(const std::string& target, const char* kind) {
    std::vector<fs::path> files;
    const fs::path folder = fuzzFolder() / kind / target;
    if (!fs::is_directory(folder)) return files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void replayScene(const fs::path& path) {
    SCOPED_TRACE(path.string());
    const std::string text = readBytes(path);
    SceneDescription description;
    const ParseError error = parseScene(text, &description);
    EXPECT_EQ(checkParsedScene(description, error, text), "");
    EXPECT_EQ(checkFastPathsAgree(text), "");
}

void replayTga(const fs::path& path) {
    SCOPED_TRACE(path.string());
    const std::string bytes = readBytes(path);
    EXPECT_EQ(checkDecodedImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "");
}

} // namespace

TEST(FuzzReplay, SceneSeedsHoldTheParserInvariants) {
    const std::vector<fs::path> seeds = inputsOf("parse_scene", "corpus");
    // The seeds include the demo and the documented example: losing them means a wrong path.
    ASSERT_GE(seeds.size(), 5u) << "seed corpus not found under " << fuzzFolder();
    for (const fs::path& path : seeds) replayScene(path);
}

TEST(FuzzReplay, WholeSceneSeedsParse) {
    // The complete scenes among the seeds must stay loadable, or the fuzzer starts from noise.
    for (const char* name : {"demo.txt", "example.txt", "example-crlf.txt", "keyframers.txt"}) {
        const fs::path path = fuzzFolder() / "corpus" / "parse_scene" / name;
        SCOPED_TRACE(path.string());
        ASSERT_TRUE(fs::exists(path));
        SceneDescription description;
        const ParseError error = parseScene(readBytes(path), &description);
        EXPECT_EQ(error.kind, ParseErrorKind::None) << error.line << ": " << error.message;
        EXPECT_FALSE(description.entities.empty());
    }
}

TEST(FuzzReplay, SceneRegressionsHoldTheParserInvariants) {
    for (const fs::path& path : inputsOf("parse_scene", "regressions")) replayScene(path);
}

TEST(FuzzReplay, TgaSeedsHoldTheDecoderInvariants) {
    const std::vector<fs::path> seeds = inputsOf("decode_image", "corpus");
    ASSERT_GE(seeds.size(), 5u) << "seed corpus not found under " << fuzzFolder();
    for (const fs::path& path : seeds) replayTga(path);
}

TEST(FuzzReplay, TgaRegressionsHoldTheDecoderInvariants) {
    for (const fs::path& path : inputsOf("decode_image", "regressions")) replayTga(path);
}

// The checks themselves must be able to fail, or the replay proves nothing.
TEST(FuzzReplay, TheInvariantChecksCatchBrokenResults) {
    SceneDescription d;
    const std::string text = "SCENECAMERA: C\n";
    EXPECT_NE(checkParsedScene(d, ParseError{ParseErrorKind::None, 0, {}}, text), "")
        << "a parsed scene without entities must be refused";
    EXPECT_NE(checkParsedScene(d, ParseError{ParseErrorKind::UnexpectedEnd, 5, "x"}, text), "")
        << "an error line past the end of the text must be refused";
    EXPECT_NE(checkParsedScene(d, ParseError{ParseErrorKind::UnexpectedEnd, 1, ""}, text), "")
        << "an error without a message must be refused";
    d.entities.push_back(EntityDescription{});
    d.entities[0].parent = -1;
    d.meshes.push_back(MeshDescription{});
    d.meshes[0].vertices.resize(3);
    d.meshes[0].indices = {0, 1, 3};
    EXPECT_EQ(checkParsedScene(d, ParseError{ParseErrorKind::None, 0, {}}, text),
              "triangle index beyond the vertex count");
    d.meshes[0].indices = {0, 1, 2};
    EXPECT_EQ(checkParsedScene(d, ParseError{ParseErrorKind::None, 0, {}}, text), "");
}
