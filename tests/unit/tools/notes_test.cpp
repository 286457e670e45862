// The notes and warnings that name a mistake's cause: one table of broken edits of the example
// scene, the engine's warning lines with a texture name one letter off, and a Z-up model turned
// upright by the importer.
#include "tools/check/check_scene.h"

#include "test_data.h"

#include <gtest/gtest.h>

#ifdef KRESTEL_HAVE_IMPORTER
#include "tools/import/import_model.h"
#endif

namespace {

std::string edited(std::vector<std::pair<std::string, std::string>> edits) {
    std::string text = sceneText("example");
    for (const auto& [from, to] : edits) text = replaceFirst(text, from, to);
    return text;
}

TEST(Notes, EachMistakeNamesTheLineToFix) {
    struct Row {
        std::string text;
        int32_t line;       // of the finding
        const char* wanted; // a part of its message
    };
    const std::vector<Row> rows = {
        {edited({{"KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 3"}}), 96,
         "line 93 says KEYFRAMECOUNT: 3 but 2 keys follow"},
        {edited({{"0 1 2", "0 1 2\n0 2 1"}}), 59, "line 57 says TRIANGLECOUNT: 1 but 2 triangles"},
        {edited({{"VERTEXCOUNT: 3", "VERTEXCOUNT: 4"}}), 56,
         "line 52 says VERTEXCOUNT: 4 but 3 vertices follow"},
        {edited({{"KEYFRAMERCOUNT: 1", "KEYFRAMERCOUNT: 0"}}), 92,
         "line 91 says KEYFRAMERCOUNT: 0 but 1 keyframer follows"},
        {edited(
             {{"SURFACECOUNT: 1", "SURFACECOUNT: 2"}, {"0 1 2", "0 1 2 TRIANGLECOUNT: 1 0 1 2"}}),
         58, "line 56 says SURFACECOUNT: 2 and 2 TRIANGLECOUNT blocks follow"},
        {edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 3"}}), 97,
         "line 70 says CHILDCOUNT: 3 for GROUP 'World' but 2 of its children follow"},
        {edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 1"}}), 82,
         "CHILDCOUNT: 2 at line 70 (GROUP 'World')"},
        {edited({{"SIZE: 0.2", "SIZE: 0,2"}}), 32, "numbers use '.' as the decimal point"},
        {edited({{"FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: 0 -9.8 0\n", ""},
                 {"MATERIALCOUNT", "FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: 0 -9.8 0\n"
                                   "MATERIALCOUNT"}}),
         22, "FORCECOUNT: (line 37) comes after PARTICLECOUNT: (line 22)"},
        {edited({{"MATERIAL: Red\nMASS", "MATERIAL: Rde\nMASS"}}), 89, "did you mean 'Red'?"},
        {edited({{"MATERIAL: Red\n", "MATERIAL: None\n"}}), 89, "expected one (there are none)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wanted);
        std::string all;
        bool found = false;
        for (const Finding& f : checkScene(row.text).findings) {
            found =
                found || (f.line == row.line && f.message.find(row.wanted) != std::string::npos);
            all += std::to_string(f.line) + ": " + f.message + "\n";
            EXPECT_EQ(f.message.find("is missing"), std::string::npos) << f.message;
        }
        EXPECT_TRUE(found) << all;
    }
}

// The engine's load: a byte-order mark changes nothing; a texture one letter off names the file
// beside the scene; files that are there and readable give no warning.
TEST(Notes, EngineWarningLinesSuggestTheTextureBesideTheScene) {
    TempFolder folder;
    for (const char* name : {"panel.tga", "smoke.tga"})
        ASSERT_TRUE(writeBytes(folder.file(name), makeTga({0, 0, 2, 1, 1, 24, 0}, {0, 0, 0})));
    const std::string text = "\xEF\xBB\xBF" + edited({{"panel.tga", "Panle.tga"}});
    const std::vector<std::string> lines =
        sceneWarningLines("scene.txt", text, folder.path.string().c_str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(
        lines[0].rfind("WARNING: 'scene.txt' line 9: texture 'Panle.tga' cannot be opened", 0), 0u)
        << lines[0];
    EXPECT_NE(lines[0].find("did you mean 'panel.tga'?"), std::string::npos) << lines[0];
}

#ifdef KRESTEL_HAVE_IMPORTER
// A Z-up wedge 1 by 2 by 4: --up z stands it on +y, --rotate 90 0 1 0 takes x to -z, --fit 2
// scales the 4-unit side to 2 after centring. Normals turn with it.
TEST(Notes, ImporterTurnsCentresAndFitsAZUpModel) {
    TempFolder folder;
    writeText(folder.file("wedge.obj"), "v 0 0 0\nv 1 0 0\nv 1 2 0\nv 0 0 4\nvn 0 0 1\n"
                                        "f 1//1 2//1 4//1\nf 2//1 3//1 4//1\n");
    ImportedModel model;
    std::string error;
    ASSERT_TRUE(importModel(folder.file("wedge.obj"), &model, &error)) << error;
    transformModel(&model, ImportOptions{1.0f, true, {0, 0, 1}, 90.0f, {0, 1, 0}, 2.0f});
    const ModelBounds b = modelBounds(model);
    expectFloat3(b.lo, {-0.5f, -1.0f, -0.25f});
    expectFloat3(b.hi, {0.5f, 1.0f, 0.25f});
    for (const Vertex& v : model.vertices) expectFloat3(v.normal, {0, 1, 0});
}
#endif

} // namespace
