// Tests of krestel-check's checking logic: a table of broken scene files with the errors,
// notes and warnings each must give (kind and line), the stand-ins that let the parser read on,
// and the TGA header checks. No window, no files.
#include "tools/check/check_scene.h"
#include "tools/check/segment.h"

#include "loader/parse.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A scene that loads cleanly: a panel, a button on it showing Camera1, gravity, a smoke
// system, the material Red, the mesh Tri, and World with Camera1 and an animated Spinner.
const std::string SCENE = sceneText("example");

// The scene with every `from` replaced by `to`, in order; each must be found.
std::string edited(std::vector<std::pair<std::string, std::string>> edits) {
    std::string text = SCENE;
    for (const auto& [from, to] : edits) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

struct Expected {
    Severity severity;
    int32_t line;
    const char* code;
};

struct Case {
    const char* name;
    std::string text;
    bool loads;
    std::vector<Expected> findings; // all errors and warnings, and the notes that matter
};

std::string describe(const CheckReport& r) {
    std::string out;
    for (const Finding& f : r.findings) {
        out += "  " + std::to_string(int(f.severity)) + " line " + std::to_string(f.line) + " " +
               f.code + ": " + f.message + "\n";
    }
    return out;
}

int32_t countOf(const CheckReport& r, Severity s) {
    int32_t n = 0;
    for (const Finding& f : r.findings) n += f.severity == s;
    return n;
}

// Nesting past the deepest level allowed is one error: no stand-in makes the chain shallower, so
// the checker does not read on and report the same limit again.
TEST(CheckScene, NestingTooDeepIsReportedOnceAtItsCount) {
    const std::string text =
        edited({{"KEYFRAMERCOUNT: 0\nCHILDCOUNT: 0\n",
                 "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 1\n" + nestedGroups(MAX_NESTING_DEPTH)}});
    const CheckReport r = checkScene(text);
    EXPECT_FALSE(r.loads);
    ASSERT_EQ(countOf(r, Severity::Error), 1) << describe(r);
    const Finding& error = r.findings[0];
    EXPECT_EQ(error.code, std::string("NestingTooDeep"));
    size_t at = 0;
    for (int32_t line = 1; line < error.line; ++line) at = text.find('\n', at) + 1;
    EXPECT_EQ(text.compare(at, 14, "CHILDCOUNT: 1\n"), 0) << text.substr(at, 40);
    bool stopped = false;
    for (const Finding& f : r.findings)
        stopped = stopped || (f.code == "CannotReadOn" && f.line == error.line);
    EXPECT_TRUE(stopped) << describe(r);
}

TEST(CheckScene, TableOfScenes) {
    const Severity E = Severity::Error, W = Severity::Warning, N = Severity::Note;
    const std::vector<Case> cases = {
        {"clean", SCENE, true, {}},
        {"a typo in every MASS line: each record's error, the parser reading on",
         edited({{"\nMASS: 1\n", "\nMAS: 1\n"},
                 {"\nMASS: 1\n", "\nMAS: 1\n"},
                 {"\nMASS: 1\n", "\nMAS: 1\n"}}),
         false,
         {{E, 68, "ExpectedLiteral"}, {E, 79, "ExpectedLiteral"}, {E, 90, "ExpectedLiteral"}}},
        {"a count too large, then a later warning still found",
         edited({{"MESHCOUNT: 1", "MESHCOUNT: 2"}, {"LINK: Tri", "LINK: Trii"}}),
         false,
         {{E, 59, "ExpectedLiteral"}, {N, 49, "CountMismatch"}, {W, 88, "LinkUnknown"}}},
        {"a count too small",
         edited({{"BACKGROUNDCOUNT: 1", "BACKGROUNDCOUNT: 0"}}),
         false,
         {{E, 7, "ExpectedLiteral"}, {N, 6, "CountMismatch"}}},
        {"a section keyword missing",
         edited({{"FORCECOUNT: 1\n", "\n"}}),
         false,
         {{E, 23, "ExpectedLiteral"}, {N, 23, "MissingKeyword"}}},
        {"three independent errors in three sections",
         edited({{"FORCECOUNT: 1", "FORCECONT: 1"},
                 {"TEXCOORD: 1 0\n", "TEXCOORD: 1\n"},
                 {"TYPE: ANIMATE", "TYPE: ANIMATED"}}),
         false,
         {{E, 22, "ExpectedLiteral"}, {E, 55, "ExpectedNumber"}, {E, 84, "UnknownVariant"}}},
        {"a word too long, and the entity after it still read",
         edited({{"NAME: World", "NAME: WorldWithAVeryLongName"},
                 {"MATERIAL: Red\nMASS: 1", "MATERIAL: Red\nMAS: 1"}}),
         false,
         {{E, 63, "WordTooLong"}, {E, 90, "ExpectedLiteral"}}},
        {"CHILDCOUNT too large: the tree runs out of records",
         edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 3"}}),
         false,
         {{E, 97, "UnexpectedEnd"}, {N, 97, "ChildCountTooLarge"}}},
        {"CHILDCOUNT too small: loads, Spinner never read",
         edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 1"}}),
         true,
         {{W, 15, "ActionLinkUnknown"}, {W, 82, "EntitiesNotRead"}}},
        {"not a scene file",
         "Hello, world\n",
         false,
         {{E, 1, "ExpectedLiteral"}, {N, 0, "NotASceneFile"}}},
        {"empty", "", false, {{E, 1, "UnexpectedEnd"}}},
        {"SCENECAMERA names a GROUP",
         edited({{"SCENECAMERA: Camera1", "SCENECAMERA: World"}}),
         true,
         {{W, 1, "SceneCameraNotCamera"}}},
        {"SCENECAMERA names nothing",
         edited({{"SCENECAMERA: Camera1", "SCENECAMERA: Camera2"}}),
         true,
         {{W, 1, "SceneCameraUnknown"}}},
        {"button outside the background, its dynamic texture from an OBJECT",
         edited({{"MIN: -1.2 -0.9", "MIN: 1.2 0.9"},
                 {"MAX: -1.0 -0.7", "MAX: 1.3 1"},
                 {"LINK: Camera1", "LINK: Spinner"}}),
         true,
         {{W, 13, "ButtonUnreachable"}, {W, 18, "DynamicLinkNotCamera"}}},
        {"a button touching the background's edge can be pressed",
         edited({{"MIN: -1.2 -0.9", "MIN: -0.8 -0.5"}, {"MAX: -1.0 -0.7", "MAX: 0 0"}}),
         true,
         {}},
        {"a dynamic texture naming nothing, an unknown action",
         edited(
             {{"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: ENTITYMOV"}, {"LINK: Camera1", "LINK: Cam"}}),
         true,
         {{W, 13, "ActionUnknown"}, {W, 18, "DynamicLinkUnknown"}}},
        {"PARTICLESYSTEMSTATE on an OBJECT",
         edited({{"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: PARTICLESYSTEMSTATE"}}),
         true,
         {{W, 15, "ActionLinkNotParticle"}}},
        {"TIMERATE needs no entity",
         edited({{"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: TIMERATE"},
                 {"ACTIONLINK: Spinner", "ACTIONLINK: None"}}),
         true,
         {}},
        {"links and materials that name nothing, a LINK on a CAMERA",
         edited({{"LINK: None\nMATERIAL: None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0",
                  "LINK: Tri\nMATERIAL: None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0"},
                 {"LINK: Tri\nMATERIAL: Red", "LINK: None\nMATERIAL: Blue"}}),
         true,
         {{W, 77, "LinkIgnored"}, {W, 88, "LinkUnknown"}, {W, 89, "MaterialUnknown"}}},
        {"keyframers under a STATIC entity",
         edited({{"TYPE: ANIMATE", "TYPE: STATIC"}}),
         true,
         {{W, 91, "KeyframersNotAnimate"}}},
        {"two entities of one name: the second is the mistake",
         edited({{"NAME: Camera1", "NAME: World"},
                 {"SCENECAMERA: Camera1", "SCENECAMERA: World"},
                 {"LINK: Camera1", "LINK: World"}}),
         true,
         {{W, 1, "SceneCameraNotCamera"},
          {W, 18, "DynamicLinkNotCamera"},
          {W, 74, "DuplicateName"}}},
        {"keywords glued to their values load",
         edited({{"MASS: 1", "MASS:1"}, {"MESH: Tri", "MESH:Tri"}}),
         true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckReport r = checkScene(c.text);
        EXPECT_EQ(r.loads, c.loads) << describe(r);
        int32_t errors = 0, warnings = 0;
        for (const Expected& e : c.findings) {
            errors += e.severity == Severity::Error;
            warnings += e.severity == Severity::Warning;
            bool found = false;
            for (const Finding& f : r.findings) {
                found = found || (f.severity == e.severity && f.line == e.line && f.code == e.code);
            }
            EXPECT_TRUE(found) << "missing " << e.code << " at line " << e.line << "\n"
                               << describe(r);
        }
        EXPECT_EQ(countOf(r, Severity::Error), errors) << describe(r);
        EXPECT_EQ(countOf(r, Severity::Warning), warnings) << describe(r);
    }
}

TEST(CheckScene, SummaryCountsRecordsAndDistinctTextures) {
    const CheckReport r = checkScene(SCENE);
    EXPECT_EQ(r.summary.entities, 3);
    EXPECT_EQ(r.summary.meshes, 1);
    EXPECT_EQ(r.summary.materials, 1);
    EXPECT_EQ(r.summary.particleSystems, 1);
    EXPECT_EQ(r.summary.keyframers, 1);
    EXPECT_EQ(r.summary.buttons, 1);
    EXPECT_EQ(r.summary.backgrounds, 1);
    EXPECT_EQ(r.summary.forces, 1);
    // panel.tga, smoke.tga and the dynamic texture of Camera1; "None" is not counted.
    EXPECT_EQ(r.summary.textures, 3);
    ASSERT_EQ(r.textures.size(), 2u);
    EXPECT_EQ(r.textures[0].file, "panel.tga");
    EXPECT_EQ(r.textures[0].line, 9);
    EXPECT_EQ(r.textures[1].file, "smoke.tga");
    EXPECT_EQ(r.textures[1].line, 35);
}

TEST(CheckScene, ErrorsComeFirstThenWarningsByLine) {
    CheckReport r = checkScene(edited({{"TYPE: ANIMATE", "TYPE: STATIC"},
                                       {"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: X"},
                                       {"MESHCOUNT: 1", "MESHCOUNT: 2"}}));
    r.findings.push_back({Severity::Warning, 2, "TextureUnsupported", "added after"});
    sortFindings(&r);
    ASSERT_GE(r.findings.size(), 4u) << describe(r);
    EXPECT_EQ(r.findings[0].severity, Severity::Error);
    int32_t last = 0;
    bool inWarnings = false;
    for (const Finding& f : r.findings) {
        if (f.severity != Severity::Warning) {
            EXPECT_FALSE(inWarnings) << describe(r);
            continue;
        }
        inWarnings = true;
        EXPECT_GE(f.line, last) << describe(r);
        last = f.line;
    }
}

TEST(CheckScene, StopsAtTheCapOfErrors) {
    std::string text = SCENE;
    // Sixty broken entities below World.
    std::string children;
    for (int i = 0; i < 60; ++i) {
        children += "------\nENTITY: GROUP\nTYPE: STATIC\nNAME: G" + std::to_string(i) +
                    "\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\nACCELERATION: 0 0 0 "
                    "VELOCITY: 0 0 0\nLINK: None\nMATERIAL: None\nMAS: 1\nKEYFRAMERCOUNT: 0\n"
                    "CHILDCOUNT: 0\n";
    }
    text.replace(text.find("CHILDCOUNT: 2"), 13, "CHILDCOUNT: 62");
    text += children;
    const CheckReport r = checkScene(text);
    EXPECT_FALSE(r.loads);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(countOf(r, Severity::Error), MAX_REPORTED_ERRORS);
}

TEST(Segment, CutsTheSceneIntoItsRecords) {
    const Segmentation s = segmentScene(SCENE);
    std::vector<UnitKind> kinds;
    std::vector<int32_t> lines;
    for (const Unit& u : s.units) {
        kinds.push_back(u.kind);
        lines.push_back(u.line);
    }
    using K = UnitKind;
    EXPECT_EQ(kinds,
              (std::vector<K>{K::SceneCamera, K::HudHeader, K::Background, K::ButtonHeader,
                              K::Button, K::ForceHeader, K::Force, K::ParticleHeader,
                              K::ParticleSystem, K::MaterialHeader, K::Material, K::MeshHeader,
                              K::Mesh, K::GraphHeader, K::Entity, K::Entity, K::Entity}));
    EXPECT_EQ(lines, (std::vector<int32_t>{1, 2, 7, 12, 13, 22, 23, 25, 26, 40, 41, 49, 50, 59, 60,
                                           71, 82}));
}

TEST(Segment, EveryStandInParsesAndKeepsTheLines) {
    const Segmentation s = segmentScene(SCENE);
    const size_t lineCount = std::count(SCENE.begin(), SCENE.end(), '\n');
    for (size_t i = 0; i < s.units.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string text = replaceUnit(SCENE, s, i);
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), '\n')), lineCount);
        EXPECT_GE(text.size(), SCENE.size());
        SceneDescription d;
        const ParseError e = parseScene(text, &d);
        EXPECT_EQ(e.kind, ParseErrorKind::None) << e.line << ": " << e.message;
        EXPECT_EQ(d.entities.size(), 3u);
        // Names survive the stand-in, so references to them still resolve.
        EXPECT_STREQ(d.meshes[0].name.text, "Tri");
        EXPECT_STREQ(d.materials[0].material.name, "Red");
        EXPECT_STREQ(d.entities[2].name.text, "Spinner");
        EXPECT_EQ(segmentScene(text).units.size(), s.units.size());
    }
}

// A TGA of the given type and header whose body is `pixelBytes` bytes of 0x80.
std::vector<uint8_t> tga(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, size_t pixelBytes,
                         uint8_t descriptor = 0, uint8_t idLength = 0, uint8_t colourMap = 0) {
    return makeTga({idLength, colourMap, type, w, h, depth, descriptor},
                   std::vector<uint8_t>(pixelBytes, 0x80));
}

TEST(TgaProblem, AcceptsTheSubsetAndNamesWhatIsWrong) {
    struct TgaCase {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* expected; // a part of the message; empty for a good file
    };
    const std::vector<TgaCase> cases = {
        {"24-bit", tga(2, 2, 2, 24, 12), ""},
        {"32-bit", tga(2, 3, 1, 32, 12), ""},
        {"300 by 2, 16-bit width", tga(2, 300, 2, 24, 1800), ""},
        {"run-length encoded", tga(10, 2, 2, 24, 12), "run-length encoded true-colour"},
        {"greyscale", tga(3, 2, 2, 8, 4), "greyscale (image type 3)"},
        {"16 bits per pixel", tga(2, 2, 2, 16, 12), "16 bits per pixel"},
        {"colour map", tga(2, 2, 2, 24, 12, 0, 0, 1), "colour map"},
        {"image ID", tga(2, 2, 2, 24, 12, 0, 5), "image ID of 5 bytes"},
        {"no pixels", tga(2, 0, 2, 24, 0), "is 0 by 2"},
        {"truncated", tga(2, 2, 2, 24, 11), "needs 30"},
        {"top row first", tga(2, 2, 2, 24, 12, 0x20), "upside down"},
        {"shorter than a header", std::vector<uint8_t>(10, 0), "has 10 bytes"},
    };
    for (const TgaCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string problem = tgaProblem(c.bytes.data(), c.bytes.size());
        if (c.expected[0] == '\0') {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(c.expected), std::string::npos) << problem;
        }
    }
}

} // namespace
