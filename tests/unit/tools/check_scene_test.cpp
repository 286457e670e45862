// The scene checker on edited example scenes: every error and warning (reading on past errors),
// the note naming the line to fix, the error cap, and the warnings about texture files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "loader/parse.h"
#include "test_data.h"
#include "tools/check/check_scene.h"

namespace {

// The example with each edit applied in turn; empty when an edit no longer applies.
std::string edited(std::vector<std::pair<std::string, std::string>> edits) {
    std::string text = sceneText("example");
    for (const auto& [from, to] : edits) text = replaceFirst(text, from, to);
    return text;
}

TEST(CheckScene, EachEditGivesItsFindingsAndTheNoteNamingTheLineToFix) {
    // The button moved to MIN, MAX; the background spans -1.3 -1 to -0.8 -0.5.
    auto button = [](const char* min, const char* max) { return edited({{"MIN: -1.2 -0.9", min}, {"MAX: -1.0 -0.7", max}}); };
    const struct {
        std::string text;
        bool loads;
        std::string findings; // every error (E) and warning (W): line and code
        int32_t noteLine = 0; // a finding on this line says `note`
        const char* note = "";
    } cases[] = {
        {sceneText("example"), true, ""},
        {edited({{"\nMASS: 1\n", "\nMAS: 1\n"}, {"\nMASS: 1\n", "\nMAS: 1\n"}, {"\nMASS: 1\n", "\nMAS: 1\n"}}),
         false, "E68 ExpectedLiteral E79 ExpectedLiteral E90 ExpectedLiteral"},
        {edited({{"FORCECOUNT: 1", "FORCECONT: 1"}, {"TEXCOORD: 1 0\n", "TEXCOORD: 1\n"},
                 {"TYPE: ANIMATE", "TYPE: ANIMATED"}}),
         false, "E22 ExpectedLiteral E55 ExpectedNumber E84 UnknownVariant"},
        {edited({{"MESHCOUNT: 1", "MESHCOUNT: 2"}, {"LINK: Tri", "LINK: Trii"}}), false,
         "E59 ExpectedLiteral W88 LinkUnknown"},
        {edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 1"}}), true, "W15 ActionLinkUnknown W82 EntitiesNotRead",
         82, "CHILDCOUNT: 2 at line 70 (GROUP 'World')"},
        {edited({{"SCENECAMERA: Camera1", "SCENECAMERA: World"}}), true, "W1 SceneCameraNotCamera"},
        // What the engine does not use: an entity's scale, the scene camera's rotation.
        {edited({{"0 0 1 0 SCALE: 1 1 1\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: Tri", "0 0 1 0 SCALE: 3 3 3\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: Tri"}}),
         true, "W86 ScaleIgnored", 86, "SCALE 3 3 3 of OBJECT 'Spinner' is ignored: entities have no scale; expected SCALE: 1 1 1 (to size a model, import it again with krestel-import --scale or --fit)"},
        {edited({{"0 2 10 ROTATION: 0 0 1 0", "0 2 10 ROTATION: -20 1 0 0"}}), true, "W75 CameraRotationIgnored", 75,
         "ROTATION -20 1 0 0 of the scene camera 'Camera1' is ignored: the view starts level, looking along -Z; expected ROTATION: 0 0 1 0 (fly the camera to the view you want and press F3"},
        {edited({{"MIN: -1.2 -0.9", "MIN: 1.2 0.9"}, {"MAX: -1.0 -0.7", "MAX: 1.3 1"},
                 {"LINK: Camera1", "LINK: Spinner"}}),
         true, "W13 ButtonUnreachable W18 DynamicLinkNotCamera"},
        {edited({{"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: PARTICLESYSTEMSTATE"}}), true, "W15 ActionLinkNotParticle"},
        // A button with an edge on the background's edge can be pressed there: presses hit edges too.
        {button("MIN: -0.8 -0.9", "MAX: -0.6 -0.7"), true, ""},
        {button("MIN: -1.5 -0.9", "MAX: -1.3 -0.7"), true, ""},
        {button("MIN: -1.2 -0.5", "MAX: -1.0 -0.3"), true, ""},
        {button("MIN: -1.2 -1.2", "MAX: -1.0 -1"), true, ""},
        {edited({{"TYPE: ANIMATE", "TYPE: STATIC"}, {"LINK: Tri\nMATERIAL: Red", "LINK: None\nMATERIAL: Blue"}}),
         true, "W88 LinkUnknown W89 MaterialUnknown W91 KeyframersNotAnimate"},
        {edited({{"KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 3"}}), false, "E96 ExpectedLiteral",
         96, "line 93 says KEYFRAMECOUNT: 3 but 2 keys follow"},
        {edited({{"0 1 2", "0 1 2\n0 2 1"}}), false, "E59 ExpectedLiteral",
         59, "line 57 says TRIANGLECOUNT: 1 but 2 triangles"},
        {edited({{"VERTEXCOUNT: 3", "VERTEXCOUNT: 4"}}), false, "E56 ExpectedLiteral",
         56, "line 52 says VERTEXCOUNT: 4 but 3 vertices follow"},
        {edited({{"KEYFRAMERCOUNT: 1", "KEYFRAMERCOUNT: 0"}}), false, "E92 ExpectedLiteral",
         92, "line 91 says KEYFRAMERCOUNT: 0 but 1 keyframer follows"},
        {edited({{"SURFACECOUNT: 1", "SURFACECOUNT: 2"}, {"0 1 2", "0 1 2 TRIANGLECOUNT: 1 0 1 2"}}), false,
         "E58 ExpectedLiteral", 58, "line 56 says SURFACECOUNT: 2 and 2 TRIANGLECOUNT blocks follow"},
        {edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 3"}}), false, "E97 UnexpectedEnd",
         97, "line 70 says CHILDCOUNT: 3 for GROUP 'World' but 2 of its children follow"},
        {edited({{"SIZE: 0.2", "SIZE: 0,2"}}), false, "E32 ExpectedLiteral", 32, "numbers use '.' as the decimal point"},
        {edited({{"FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: 0 -9.8 0\n", ""},
                 {"MATERIALCOUNT", "FORCECOUNT: 1\nFORCETYPE: GRAVITY\nSTRENGTH: 0 -9.8 0\nMATERIALCOUNT"}}),
         false, "E22 ExpectedLiteral", 22, "FORCECOUNT: (line 37) comes after PARTICLECOUNT: (line 22)"},
        {edited({{"MATERIAL: Red\nMASS", "MATERIAL: Rde\nMASS"}}), true, "W89 MaterialUnknown", 89, "did you mean 'Red'?"},
        {edited({{"MATERIAL: Red\n", "MATERIAL: None\n"}}), true, "W89 MaterialUnknown", 89, "expected one (there are none)"},
        {edited({{"MESHCOUNT: 1", "MESHCOUNT: 1\n# SCENEGRAPH: after Tri"}, {"\nMASS: 1\n", "\nMASS: 1 # heavy\n"}}), false,
         "E69 ExpectedLiteral", 69, "comments take a whole line"},
    };
    for (const auto& c : cases) {
        const CheckReport r = checkScene(c.text);
        std::string found, all;
        bool noted = c.noteLine == 0;
        for (const Finding& f : r.findings) {
            all += std::to_string(f.line) + " " + f.code + ": " + f.message + "\n";
            if (f.severity != Severity::Note)
                found += (found.empty() ? "" : " ") + std::string(f.severity == Severity::Error ? "E" : "W") +
                         std::to_string(f.line) + " " + f.code;
            noted = noted || (f.line == c.noteLine && f.message.find(c.note) != std::string::npos);
            EXPECT_EQ(f.message.find("is missing"), std::string::npos) << f.message;
        }
        EXPECT_EQ(r.loads, c.loads) << all;
        EXPECT_EQ(found, c.findings) << all;
        EXPECT_TRUE(noted) << c.note << "\n" << all;
    }
    // Sixty broken entities: the checker stops at its cap of errors.
    std::string many = edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 62"}});
    for (int i = 0; i < 60; ++i) many += replaceFirst(nestedGroups(1), "MASS:", "MAS:");
    const CheckReport r = checkScene(many);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(std::count_if(r.findings.begin(), r.findings.end(), [](const Finding& f) { return f.severity == Severity::Error; }), MAX_REPORTED_ERRORS);
}

// The warning lines: a byte-order mark changes nothing; a texture one letter off names the file
// beside the scene; an absolute name is read where it says, /dev/zero no further than its first
// bytes, a pipe not at all (opening it would wait for a writer); files that are there and
// readable give no warning.
TEST(CheckScene, WarningLinesReadTexturesWhereTheEngineDoes) {
    TempFolder folder;
    for (const char* name : {"panel.tga", "smoke.tga"})
        ASSERT_TRUE(writeBytes(folder.file(name), makeTga({.width = 1, .height = 1}, {0, 0, 0})));
    ASSERT_EQ(mkfifo(folder.file("pipe.tga").c_str(), 0600), 0);
    char outside[] = "/tmp/kXXXXXX.tga"; // short enough for a TEXTURE word
    close(mkstemps(outside, 4));
    ASSERT_TRUE(writeBytes(outside, makeTga({.width = 1, .height = 1}, {0, 0, 0})));
    const struct { std::string panel, smoke, expected; } rows[] = {
        {"Panle.tga", "smoke.tga", "line 9: texture 'Panle.tga' cannot be opened (No such file or directory); expected a TGA, "
                                   "PNG or JPEG file: it is drawn white; did you mean 'panel.tga'?"},
        {"/dev/zero", outside, "line 9: texture '/dev/zero' cannot be read: not a TGA, PNG or JPEG file; it is drawn white"},
        {"pipe.tga", "smoke.tga", "line 9: texture 'pipe.tga' cannot be read: the file is a pipe; it is drawn white"},
    };
    for (const auto& row : rows) {
        const std::string text = "\xEF\xBB\xBF" + edited({{"panel.tga", row.panel}, {"smoke.tga", row.smoke}});
        EXPECT_EQ(sceneWarningLines("scene.txt", text, folder.path.string().c_str()),
                  std::vector<std::string>{"WARNING: 'scene.txt' " + row.expected});
    }
    std::remove(outside);
}

} // namespace
