// Keeps the benchmark tools from rotting: every generated scene must parse with the engine's
// parser and read with the fscanf baseline, and both must see the same records.
#include <gtest/gtest.h>

#include "bench/fscanf_reader.h"
#include "bench/scenes.h"
#include "loader/parse.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string makeFolder() {
    char pattern[] = "/tmp/krestel-bench-smoke-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? std::string(made) : std::string();
}

size_t countEntities(const SceneDescription& d) {
    return d.entities.size();
}

class GeneratedScene : public ::testing::TestWithParam<const char*> {};

TEST_P(GeneratedScene, ParsesAndReadsAlike) {
    bench::BenchScene scene;
    ASSERT_TRUE(bench::makeBenchScene(GetParam(), 0.05, &scene));
    const std::string folder = makeFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(bench::writeBenchScene(scene, folder));

    SceneDescription parsed;
    const std::string text = bench::sceneText(scene);
    ParseError error = parseScene(text, &parsed);
    ASSERT_EQ(error.kind, ParseErrorKind::None) << "line " << error.line << ": " << error.message;
    EXPECT_EQ(countEntities(parsed), scene.entities.size());
    EXPECT_EQ(parsed.particleSystems.size(), scene.systems.size());
    EXPECT_EQ(parsed.materials.size(), scene.materials.size());
    EXPECT_EQ(parsed.hud.backgrounds.size() + parsed.hud.buttons.size(), scene.panels.size());
    ASSERT_EQ(parsed.meshes.size(), scene.meshes.size());

    bench::FscanfScene baseline;
    ASSERT_TRUE(bench::readSceneWithFscanf((folder + "/scene.txt").c_str(), &baseline));
    EXPECT_EQ(static_cast<size_t>(baseline.entities), scene.entities.size());
    EXPECT_EQ(static_cast<size_t>(baseline.systems), scene.systems.size());
    ASSERT_EQ(baseline.meshes.size(), scene.meshes.size());
    for (size_t m = 0; m < scene.meshes.size(); ++m) {
        const auto& mine = scene.meshes[m];
        ASSERT_EQ(parsed.meshes[m].vertices.size(), mine.vertices.size());
        ASSERT_EQ(baseline.meshes[m].vertices.size(), mine.vertices.size());
        EXPECT_EQ(parsed.meshes[m].indices, mine.indices);
        EXPECT_EQ(baseline.meshes[m].indices, mine.indices);
        // Written with four decimals: both readers must land within that of the source.
        const size_t last = mine.vertices.size() - 1;
        EXPECT_NEAR(parsed.meshes[m].vertices[last].position.y, mine.vertices[last].position.y,
                    1e-4);
        EXPECT_NEAR(baseline.meshes[m].vertices[last].normal.x, mine.vertices[last].normal.x, 1e-4);
    }
    for (const auto& file : scene.files) std::remove((folder + "/" + file.name).c_str());
    std::remove((folder + "/scene.txt").c_str());
    rmdir(folder.c_str());
}

INSTANTIATE_TEST_SUITE_P(AllScenes, GeneratedScene,
                         ::testing::Values("cubes", "spheres", "particles", "dynamic", "load"));

TEST(GeneratedSceneSize, LoadSceneGrowsWithTheRequestedSize) {
    bench::BenchScene small, large;
    ASSERT_TRUE(bench::makeBenchScene("load", 0.1, &small));
    ASSERT_TRUE(bench::makeBenchScene("load", 1.0, &large));
    // The mesh takes up the requested size; the rest of the scene is the same in both.
    const double grown = static_cast<double>(bench::sceneText(large).size()) -
                         static_cast<double>(bench::sceneText(small).size());
    EXPECT_NEAR(grown, 0.9e6, 0.15e6);
    EXPECT_FALSE(bench::makeBenchScene("nonsense", 1.0, &small));
}

TEST(GeneratedSceneBroken, BothReadersStopAtAMisspelledKeyword) {
    bench::BenchScene scene;
    ASSERT_TRUE(bench::makeBenchScene("spheres", 0, &scene));
    std::string text = bench::sceneText(scene);
    const size_t at = text.find("NORMAL:", text.size() / 2);
    ASSERT_NE(at, std::string::npos);
    text[at + 5] = 'l';
    SceneDescription parsed;
    EXPECT_EQ(parseScene(text, &parsed).kind, ParseErrorKind::ExpectedLiteral);

    const std::string folder = makeFolder();
    const std::string path = folder + "/scene.txt";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    bench::FscanfScene baseline;
    EXPECT_FALSE(bench::readSceneWithFscanf(path.c_str(), &baseline));
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

} // namespace
