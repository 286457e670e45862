// The scene checker's findings: a table of edited scenes with every error and warning each must
// give (code and line), the parser reading on past errors, and the cap on reported errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/parse.h"
#include "test_data.h"
#include "tools/check/check_scene.h"

namespace {

std::string edited(std::vector<std::pair<std::string, std::string>> edits) {
    std::string text = sceneText("example");
    for (const auto& [from, to] : edits) text = text.find(from) == std::string::npos ? "" : replaceFirst(text, from, to);
    return text;
}

TEST(CheckScene, EachEditedSceneGivesItsFindings) {
    const Severity E = Severity::Error, W = Severity::Warning;
    const struct {
        std::string text;
        bool loads;
        std::vector<std::tuple<Severity, int32_t, const char*>> findings; // every error and warning
    } cases[] = {
        {sceneText("example"), true, {}},
        {edited({{"\nMASS: 1\n", "\nMAS: 1\n"}, {"\nMASS: 1\n", "\nMAS: 1\n"}, {"\nMASS: 1\n", "\nMAS: 1\n"}}),
         false, {{E, 68, "ExpectedLiteral"}, {E, 79, "ExpectedLiteral"}, {E, 90, "ExpectedLiteral"}}},
        {edited({{"FORCECOUNT: 1", "FORCECONT: 1"}, {"TEXCOORD: 1 0\n", "TEXCOORD: 1\n"}, {"TYPE: ANIMATE", "TYPE: ANIMATED"}}),
         false, {{E, 22, "ExpectedLiteral"}, {E, 55, "ExpectedNumber"}, {E, 84, "UnknownVariant"}}},
        {edited({{"MESHCOUNT: 1", "MESHCOUNT: 2"}, {"LINK: Tri", "LINK: Trii"}}), false,
         {{E, 59, "ExpectedLiteral"}, {W, 88, "LinkUnknown"}}},
        {edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 1"}}), true, {{W, 15, "ActionLinkUnknown"}, {W, 82, "EntitiesNotRead"}}},
        {edited({{"SCENECAMERA: Camera1", "SCENECAMERA: World"}}), true, {{W, 1, "SceneCameraNotCamera"}}},
        {edited({{"MIN: -1.2 -0.9", "MIN: 1.2 0.9"}, {"MAX: -1.0 -0.7", "MAX: 1.3 1"}, {"LINK: Camera1", "LINK: Spinner"}}),
         true, {{W, 13, "ButtonUnreachable"}, {W, 18, "DynamicLinkNotCamera"}}},
        {edited({{"ACTIONNAME: ENTITYMOVE", "ACTIONNAME: PARTICLESYSTEMSTATE"}}), true, {{W, 15, "ActionLinkNotParticle"}}},
        {edited({{"TYPE: ANIMATE", "TYPE: STATIC"}, {"LINK: Tri\nMATERIAL: Red", "LINK: None\nMATERIAL: Blue"}}), true,
         {{W, 88, "LinkUnknown"}, {W, 89, "MaterialUnknown"}, {W, 91, "KeyframersNotAnimate"}}},
    };
    for (const auto& c : cases) {
        const CheckReport r = checkScene(c.text);
        std::vector<std::tuple<Severity, int32_t, const char*>> found;
        std::string all;
        for (const Finding& f : r.findings) {
            all += std::to_string(f.line) + " " + f.code + ": " + f.message + "\n";
            if (f.severity != Severity::Note) found.emplace_back(f.severity, f.line, f.code.c_str());
        }
        EXPECT_EQ(r.loads, c.loads) << all;
        ASSERT_EQ(found.size(), c.findings.size()) << all;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(std::get<0>(found[i]), std::get<0>(c.findings[i])) << all;
            EXPECT_EQ(std::get<1>(found[i]), std::get<1>(c.findings[i])) << all;
            EXPECT_STREQ(std::get<2>(found[i]), std::get<2>(c.findings[i])) << all;
        }
    }
    // Sixty broken entities: the checker stops at its cap of errors.
    std::string many = edited({{"CHILDCOUNT: 2", "CHILDCOUNT: 62"}});
    for (int i = 0; i < 60; ++i) many += replaceFirst(nestedGroups(1), "MASS:", "MAS:");
    const CheckReport r = checkScene(many);
    EXPECT_FALSE(r.complete);
    int errors = 0;
    for (const Finding& f : r.findings) errors += f.severity == Severity::Error;
    EXPECT_EQ(errors, MAX_REPORTED_ERRORS);
}

} // namespace
