// The scene parser on malformed and hostile files: a table of single mistakes with the error
// kind and line each must report, the exact messages, cuts in every section, words and
// counts at their limits, triangle indices outside the mesh, numbers that are not finite, and
// thousands of randomly damaged files. Each must give one readable error naming its line, or,
// where the format allows the input, a scene that holds what the file said. Every parse is also
// held to the template interpreter alone (parseBothWays).
#include "loader/parse.h"

#include "test_data.h"
#include "unit/loader/describe_scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string EXAMPLE_SCENE = sceneText("example");
const std::string FULL_SCENE = sceneText("full");
const std::string COUNTS_SCENE = sceneText("counts");

ParseError parse(const std::string& text, SceneDescription* d) {
    return parseBothWays(text, d);
}

ParseError parse(const std::string& text) {
    SceneDescription d;
    return parseBothWays(text, &d);
}

// A text the parser must refuse, the error kind, and a part of the message.
struct Refusal {
    const char* text;
    ParseErrorKind kind;
    const char* says;
};

// A message a person can read on a terminal: printable ASCII only, and not a wall of text.
bool readableMessage(const std::string& message) {
    if (message.empty() || message.size() > 200) return false;
    for (char c : message) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) return false;
    }
    return true;
}
// The text of the 1-based line, without its line end.
std::string lineText(const std::string& text, int line) {
    size_t begin = 0;
    for (int i = 1; i < line && begin != std::string::npos; ++i) {
        begin = text.find('\n', begin);
        if (begin != std::string::npos) ++begin;
    }
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find('\n', begin) - begin);
}

struct BadInput {
    const char* name;
    const char* from; // replaced in the example ...
    const char* to;   // ... by this
    ParseErrorKind kind;
    const char* marker; // the reported line is the line of this text in the changed file, or
                        // the last line when null
};

const BadInput BAD_INPUTS[] = {
    {"misspelt keyword", "MASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0",
     "MAS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0", ParseErrorKind::ExpectedLiteral, "MAS: 1"},
    {"lower-case keyword", "SIMTIME:", "simtime:", ParseErrorKind::ExpectedLiteral, "simtime:"},
    {"blank before colon", "SHININESS: 32", "SHININESS : 32", ParseErrorKind::ExpectedLiteral,
     "SHININESS :"},
    {"dash count", "------\nENTITY: CAMERA", "-----\nENTITY: CAMERA",
     ParseErrorKind::ExpectedLiteral, "-----\nENTITY: CAMERA"},
    {"vertex without NORMAL", "POSITION: 1 0 0 NORMAL: 0 0 1", "POSITION: 1 0 0 0 0 1",
     ParseErrorKind::ExpectedLiteral, "POSITION: 1 0 0 0"},
    {"too few vertex lines", "VERTEXCOUNT: 3", "VERTEXCOUNT: 4", ParseErrorKind::ExpectedLiteral,
     "SURFACECOUNT"},
    {"speed before mass", "MINMASS: 0.5 MAXMASS: 1\nMINSPEED: 0.5 MAXSPEED: 1.5",
     "MINSPEED: 0.5 MAXSPEED: 1.5\nMINMASS: 0.5 MAXMASS: 1", ParseErrorKind::ExpectedLiteral,
     "MINSPEED"},
    {"LINK line for a STATIC panel", "TEXTURE: panel.tga", "LINK: Camera1\nTEXTURE: panel.tga",
     ParseErrorKind::ExpectedLiteral, "LINK: Camera1"},
    {"missing LINK line of a DYNAMIC button", "LINK: Camera1\n", "",
     ParseErrorKind::ExpectedLiteral, "TEXTURE: None"},
    {"DYNAMIC particle texture without camera", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedLiteral, "TEXTURE: smoke"},
    {"DYNAMIC particle texture with empty camera", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC ()\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedWord, "DYNAMIC ()"},
    {"DYNAMIC particle texture unclosed", "TEXTURETYPE: STATIC\nTEXTURE: smoke.tga",
     "TEXTURETYPE: DYNAMIC (Camera1\nTEXTURE: smoke.tga", ParseErrorKind::ExpectedLiteral,
     "DYNAMIC (Camera1"},
    {"letters for a number", "STRENGTH: 0 -9.8 0", "STRENGTH: 0 down 0",
     ParseErrorKind::ExpectedNumber, "STRENGTH"},
    {"double sign", "BIRTHRATE: 20", "BIRTHRATE: +-20", ParseErrorKind::ExpectedNumber,
     "BIRTHRATE"},
    {"fraction for a count", "CHILDCOUNT: 2", "CHILDCOUNT: 2.5", ParseErrorKind::ExpectedLiteral,
     "CHILDCOUNT: 2.5"},
    {"triangle index past the end", "\t0 1 2", "\t0 1\n\t\t\t\t3", ParseErrorKind::IndexOutOfRange,
     "\t\t\t\t3"},
    {"huge vertex count", "VERTEXCOUNT: 3", "VERTEXCOUNT: 2000000000",
     ParseErrorKind::CountTooLarge, "VERTEXCOUNT"},
    {"huge key count", "KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 1000", ParseErrorKind::CountTooLarge,
     "KEYFRAMECOUNT"},
    {"one child fewer than announced", "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 2",
     "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 3", ParseErrorKind::UnexpectedEnd, nullptr},
    {"missing SCENEGRAPH", "SCENEGRAPH:", "SCENE GRAPH:", ParseErrorKind::ExpectedLiteral,
     "SCENE GRAPH"},
};

TEST(ParseErrors, UnknownTypeWordsAreRefusedOnTheirOwnLine) {
    // Each type word has its own list of variants; the error names the line of the bad word.
    const std::pair<const char*, const char*> edits[] = {
        {"ENTITY: CAMERA", "ENTITY: Camera"},
        {"TYPE: ANIMATE", "TYPE: MOVING"},
        {"KEYFRAMETYPE: ROTATION", "KEYFRAMETYPE: SCALE"},
        {"FORCETYPE: GRAVITY", "FORCETYPE: WIND"},
        {"PARTICLETYPE: POINT", "PARTICLETYPE: LINE"},
        {"DISPLAYTYPE: QUAD", "DISPLAYTYPE: quad"},
        {"BLENDTYPE: BLEND", "BLENDTYPE: ADD"},
        {"TEXTURETYPE: STATIC\nTEXTURE: panel", "TEXTURETYPE: MOVIE\nTEXTURE: panel"},
        {"TEXTURETYPE: STATIC\n\tTEXTURE: None", "TEXTURETYPE: \n\n STATIK\n\tTEXTURE: None"}};
    for (const auto& [from, to] : edits) {
        const std::string text = replaceFirst(EXAMPLE_SCENE, from, to);
        const ParseError error = parse(text);
        EXPECT_EQ(error.kind, ParseErrorKind::UnknownVariant) << to << ": " << error.message;
        // The word itself counts, not its keyword: STATIK stands two lines below TEXTURETYPE.
        const bool below = std::string_view(to).find("STATIK") != std::string_view::npos;
        EXPECT_EQ(error.line, lineOf(text, to) + (below ? 2 : 0)) << to;
    }
}

TEST(ParseErrors, EachBadInputReportsItsKindAndLine) {
    for (const BadInput& bad : BAD_INPUTS) {
        std::string text = replaceFirst(EXAMPLE_SCENE, bad.from, bad.to);
        ASSERT_FALSE(text.empty()) << bad.name << ": fixture text not found";
        SceneDescription d;
        ParseError error = parseBothWays(text, &d);
        int line = bad.marker ? lineOf(text, bad.marker) : lineCount(text);
        ASSERT_GT(line, 0) << bad.name << ": marker not found";
        EXPECT_EQ(error.kind, bad.kind) << bad.name << ": got " << parseErrorKindName(error.kind)
                                        << " (" << error.message << ")";
        EXPECT_EQ(error.line, line) << bad.name << ": " << error.message;
        EXPECT_FALSE(error.message.empty()) << bad.name;
    }
}

TEST(ParseErrors, MessagesSayWhatWasExpectedAndWhatWasFound) {
    struct Case {
        const char* from;
        std::string to;
        const char* message;
    } cases[] = {
        {"MASS: 1\nKEYFRAMERCOUNT: 1", "MAS: 1\nKEYFRAMERCOUNT: 1",
         "expected 'MASS:' but found 'MAS:'"},
        {"SHININESS: 32", "SHININESS : 32", "expected 'SHININESS:' but found 'SHININESS'"},
        {"SIZE: 0.2", "SIZE: nan", "expected a finite number after 'SIZE:' but found 'nan'"},
        {"ENTITY: CAMERA", "ENTITY: Camera",
         "expected one of LIGHT, CAMERA, GROUP, OBJECT, PARTICLE after 'ENTITY:' but found "
         "'Camera'"},
        {"NAME: Spinner", "NAME: ABCDEFGHIJKLMNOPQRST",
         "expected a word of at most 19 characters after 'NAME:' but found "
         "'ABCDEFGHIJKLMNOPQRST' (20 characters)"},
        {"NAME: Spinner", "NAME: " + std::string(4000, 'n'),
         "expected a word of at most 19 characters after 'NAME:' but found "
         "'nnnnnnnnnnnnnnnnnnnnnnnn...' (4000 characters)"},
    };
    for (const Case& c : cases) {
        SceneDescription d;
        ParseError error = parseBothWays(replaceFirst(EXAMPLE_SCENE, c.from, c.to), &d);
        EXPECT_EQ(error.message, c.message);
    }
}

TEST(ParseErrors, UnprintableBytesAreNotEchoed) {
    SceneDescription d;
    ParseError error = parseBothWays(replaceFirst(EXAMPLE_SCENE, "HUD:", "H\x01\x7f\xff:"), &d);
    EXPECT_EQ(error.kind, ParseErrorKind::ExpectedLiteral);
    EXPECT_EQ(error.message, "expected 'HUD:' but found 'H???:'");
    error =
        parseBothWays(replaceFirst(EXAMPLE_SCENE, "DISPLAYTYPE: QUAD", "DISPLAYTYPE: Q\x02"), &d);
    EXPECT_EQ(error.kind, ParseErrorKind::UnknownVariant);
    EXPECT_EQ(error.message,
              "expected one of POINT, TRIANGLE, QUAD after 'DISPLAYTYPE:' but found 'Q?'");
}

// Thousands of damaged copies of the example (bytes changed, inserted, deleted, cut, control and
// high bytes among them): every one parses or fails cleanly with a line inside the text and a
// readable message (the fuzz corpus replay holds garbage of every other kind). Run under the
// sanitizer build, this also checks that no read leaves the text.
TEST(ParseRobustness, DamagedFilesFailCleanly) {
    const std::string base = EXAMPLE_SCENE;
    uint32_t state = 12345;
    auto next = [&state](uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    const char alphabet[] = "0123456789-+.e: \n\tABCDEFGHIKLMNOPRSTUVWXYZ()abc\x01\xff";
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int edits = 1 + static_cast<int>(next(4)); edits > 0; --edits) {
            size_t at = next(static_cast<uint32_t>(text.size()));
            char c = alphabet[next(sizeof alphabet - 1)];
            switch (next(4)) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(at, 1, c);
                break;
            case 2:
                text.erase(at, 1 + next(8));
                break;
            default:
                text.resize(at);
                break;
            }
        }
        // Parse from a heap copy of exactly the text's size, so an overrun is a sanitizer error.
        std::vector<char> exact(text.begin(), text.end());
        SceneDescription d;
        ParseError error = parseBothWays(std::string_view(exact.data(), exact.size()), &d);
        if (error.kind == ParseErrorKind::None) continue;
        ++failures;
        EXPECT_GE(error.line, 1) << text;
        EXPECT_LE(error.line, lineCount(text)) << error.message;
        EXPECT_TRUE(readableMessage(error.message)) << error.message;
    }
    EXPECT_GT(failures, 1000); // the damage does reach the parser
}

} // namespace

TEST(HostileScene, EmptyAndBlankFilesExpectTheFirstKeyword) {
    // Blank lines and indentation before the first keyword are skipped like any others, so a
    // blank file ends where the first keyword was expected, on its last line.
    const struct {
        const char* text;
        int32_t line;
    } blanks[] = {{"", 1}, {" ", 1}, {"\n\n\n", 4}, {"\t\r\n  \r\n", 3}};
    for (const auto& blank : blanks) {
        const ParseError error = parse(blank.text);
        EXPECT_EQ(error.kind, ParseErrorKind::UnexpectedEnd) << '"' << blank.text << '"';
        EXPECT_EQ(error.line, blank.line) << '"' << blank.text << '"';
        EXPECT_EQ(error.message, "expected 'SCENECAMERA:' but found end of file");
    }
}

TEST(HostileScene, ACutInEachSectionNamesTheEndOrTheCountThatCannotBeMet) {
    // Where a count still waits for records when the text ends, the count is the error (the
    // rest of the file cannot hold what it announced), on the count's line; otherwise the end of
    // the file is, on the last line, after the keyword whose value is missing.
    struct Case {
        const char* section;
        const char* cutAfter; // the text ends right after the first occurrence of this
    } cases[] = {
        {"scene camera", "SCENECAMERA:"},
        {"HUD", "APPTIME: -1.3"},
        {"background", "LINK: PanelCam\nTEXTURE:"},
        {"button", "ACTIONVALUES: 0 0 1"},
        {"force", "STRENGTH: 0 -9.8"},
        {"particle system", "MINMASS: 0.5 MAXMASS:"},
        {"particle camera", "DYNAMIC ("},
        {"material", "SPECULAR: 1 1"},
        {"mesh", "POSITION: 1 0 0 NORMAL:"},
        {"triangles", "TRIANGLECOUNT: 1\n0 1"},
        {"scene graph", "ENTITY: CAMERA\nTYPE:"},
        {"keyframer", "T: 1 KEYFRAME: 45"},
        {"material key", "T: 2 KEYFRAME:\nEMISSION: 0 0 0 1\nAMBIENT:"},
        {"last record", "TYPE: ANIMATE\nNAME: Mover\nPOSITION:"},
    };
    const std::string full = FULL_SCENE;
    int countErrors = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        const size_t at = full.find(c.cutAfter);
        ASSERT_NE(at, std::string::npos);
        const std::string cut = full.substr(0, at + std::strlen(c.cutAfter));
        const ParseError error = parse(cut);
        EXPECT_TRUE(readableMessage(error.message)) << error.message;
        if (error.kind == ParseErrorKind::CountTooLarge) {
            ++countErrors;
            const size_t open = error.message.find("after '") + 7;
            const std::string keyword =
                error.message.substr(open, error.message.find('\'', open) - open);
            EXPECT_NE(lineText(cut, error.line).find(keyword), std::string::npos) << error.message;
            EXPECT_NE(error.message.find("(the rest of the file cannot hold more)"),
                      std::string::npos);
            continue;
        }
        EXPECT_TRUE(error.kind == ParseErrorKind::UnexpectedEnd ||
                    error.kind == ParseErrorKind::ExpectedWord)
            << parseErrorKindName(error.kind) << ": " << error.message;
        EXPECT_EQ(error.line, lineCount(cut)) << error.message;
        const std::string tail = "but found end of file";
        ASSERT_GE(error.message.size(), tail.size());
        EXPECT_EQ(error.message.substr(error.message.size() - tail.size()), tail);
    }
    // Both kinds of report occur among the cuts, so both branches above are checked.
    EXPECT_GT(countErrors, 0);
    EXPECT_LT(countErrors, static_cast<int>(std::size(cases)));
}

TEST(HostileScene, WordsOf19CharactersLoadAnd20Or4000AreRefused) {
    struct Slot {
        const char* name;
        const char* from;
        const char* prefix; // replaces `from`, followed by the word and `suffix`
        const char* suffix;
    } slots[] = {
        {"scene camera", "SCENECAMERA: Cam", "SCENECAMERA: ", ""},
        {"HUD link", "LINK: PanelCam", "LINK: ", ""},
        {"action name", "ACTIONNAME: ENTITYMOVE", "ACTIONNAME: ", ""},
        {"system name", "SYSTEMNAME: Smoke", "SYSTEMNAME: ", ""},
        {"particle camera", "(SmokeCam)", "(", ")"},
        {"material texture", "TEXTURE: red.tga", "TEXTURE: ", ""},
        {"mesh name", "MESH: Tri", "MESH: ", ""},
        {"entity name", "NAME: Mover", "NAME: ", ""},
        {"entity link", "LINK: Tri", "LINK: ", ""},
        {"material key camera", "(KeyCam)", "(", ")"},
    };
    auto word = [](size_t length) {
        std::string w;
        for (size_t i = 0; i < length; ++i) w += static_cast<char>('a' + i % 26);
        return w;
    };
    for (const Slot& slot : slots) {
        SCOPED_TRACE(slot.name);
        for (size_t length : {19u, 20u, 4000u}) {
            const std::string w = word(length);
            const std::string text =
                replaceFirst(FULL_SCENE, slot.from, std::string(slot.prefix) + w + slot.suffix);
            ASSERT_FALSE(text.empty());
            SceneDescription d;
            const ParseError error = parse(text, &d);
            if (length == 19) {
                ASSERT_EQ(error.kind, ParseErrorKind::None) << error.message;
                EXPECT_NE(describe(d).find(w + "|"), std::string::npos); // stored whole
                continue;
            }
            EXPECT_EQ(error.kind, ParseErrorKind::WordTooLong) << error.message;
            EXPECT_EQ(error.line, lineOf(text, w)) << error.message;
            EXPECT_NE(error.message.find("(" + std::to_string(length) + " characters)"),
                      std::string::npos)
                << error.message;
            EXPECT_TRUE(readableMessage(error.message)) << error.message;
        }
    }
}

TEST(HostileScene, NegativeCountsReadAsZeroAndHugeCountsAreRefused) {
    struct Count {
        const char* keyword;
        const char* from; // the count line and the records that only a positive count reads
    } counts[] = {
        {"BACKGROUNDCOUNT:", "BACKGROUNDCOUNT: 0\n"},
        {"BUTTONCOUNT:", "BUTTONCOUNT: 0\n"},
        {"FORCECOUNT:", "FORCECOUNT: 0\n"},
        {"PARTICLECOUNT:", "PARTICLECOUNT: 0\n"},
        {"MATERIALCOUNT:", "MATERIALCOUNT: 0\n"},
        {"MESHCOUNT:", "MESHCOUNT: 1\nMESH: Empty\nPOSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\n"
                       "VERTEXCOUNT: 0\nSURFACECOUNT: 1\nTRIANGLECOUNT: 0\n"},
        {"VERTEXCOUNT:", "VERTEXCOUNT: 0\n"},
        {"TRIANGLECOUNT:", "TRIANGLECOUNT: 0\n"},
        {"KEYFRAMERCOUNT:", "KEYFRAMERCOUNT: 1\nKEYFRAMETYPE: POSITION\nKEYFRAMECOUNT: 0\n"},
        {"KEYFRAMECOUNT:", "KEYFRAMECOUNT: 0\n"},
        {"CHILDCOUNT:", "CHILDCOUNT: 0\n"},
    };
    for (const Count& c : counts) {
        SCOPED_TRACE(c.keyword);
        SceneDescription zero;
        ASSERT_EQ(
            parse(replaceFirst(COUNTS_SCENE, c.from, std::string(c.keyword) + " 0\n"), &zero).kind,
            ParseErrorKind::None);
        for (const char* value : {"-1", "-2147483648"}) {
            const std::string text =
                replaceFirst(COUNTS_SCENE, c.from, std::string(c.keyword) + " " + value + "\n");
            ASSERT_FALSE(text.empty());
            SceneDescription d;
            const ParseError error = parse(text, &d);
            ASSERT_EQ(error.kind, ParseErrorKind::None) << value << ": " << error.message;
            EXPECT_EQ(describe(d), describe(zero)) << value;
        }
        const Refusal refused[] = {
            {"2147483647", ParseErrorKind::CountTooLarge, "but found 2147483647"},
            {"2147483648", ParseErrorKind::NumberOutOfRange, "does not fit in 32 bits"},
            {"-99999999999", ParseErrorKind::NumberOutOfRange, "does not fit in 32 bits"},
        };
        for (const Refusal& r : refused) {
            const std::string line = std::string(c.keyword) + " " + r.text;
            const std::string text = replaceFirst(COUNTS_SCENE, c.from, line + "\n");
            const ParseError error = parse(text);
            EXPECT_EQ(error.kind, r.kind) << r.text << ": " << error.message;
            EXPECT_EQ(error.line, lineOf(text, line)) << r.text;
            EXPECT_NE(error.message.find(c.keyword), std::string::npos) << error.message;
            EXPECT_NE(error.message.find(r.says), std::string::npos) << error.message;
        }
    }
}

TEST(HostileScene, TriangleIndicesMustLieInsideTheMesh) {
    const char* triangles = "TRIANGLECOUNT: 1\n0 1 2\n";
    struct Case {
        const char* replacement;
        ParseErrorKind kind;
        const char* message; // null when the mesh loads
    } cases[] = {
        {"TRIANGLECOUNT: 1\n0 1 2\n", ParseErrorKind::None, nullptr},
        {"TRIANGLECOUNT: 1\n2 2 2\n", ParseErrorKind::None, nullptr},
        {"TRIANGLECOUNT: 1\n0 1 3\n", ParseErrorKind::IndexOutOfRange,
         "expected a vertex index from 0 to 2 but found 3"},
        {"TRIANGLECOUNT: 1\n0 1 2147483647\n", ParseErrorKind::IndexOutOfRange,
         "expected a vertex index from 0 to 2 but found 2147483647"},
        {"TRIANGLECOUNT: 1\n0 -1 1\n", ParseErrorKind::IndexOutOfRange,
         "expected a vertex index from 0 to 2 but found -1"},
        {"TRIANGLECOUNT: 1\n0 1 2147483648\n", ParseErrorKind::NumberOutOfRange,
         "number '2147483648' does not fit in 32 bits"},
        {"TRIANGLECOUNT: 1\n0 1 1.5\n", ParseErrorKind::ExpectedLiteral,
         "expected 'SCENEGRAPH:' but found '.5'"},
    };
    for (const Case& c : cases) {
        const std::string text = replaceFirst(FULL_SCENE, triangles, c.replacement);
        SceneDescription d;
        const ParseError error = parse(text, &d);
        EXPECT_EQ(error.kind, c.kind) << c.replacement << error.message;
        if (c.message) {
            EXPECT_EQ(error.message, c.message);
            EXPECT_EQ(error.line, lineOf(text, "TRIANGLECOUNT:") + 1) << c.replacement;
        }
    }
    // A mesh without vertices has no index to give at all.
    const std::string none =
        replaceFirst(replaceFirst(FULL_SCENE,
                                  "VERTEXCOUNT: 3\nPOSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0 0\n"
                                  "POSITION: 1 0 0 NORMAL: 0 0 1 TEXCOORD: 1 0\n"
                                  "POSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1\n",
                                  "VERTEXCOUNT: 0\n"),
                     triangles, "TRIANGLECOUNT: 1\n0 0 0\n");
    const ParseError error = parse(none);
    EXPECT_EQ(error.kind, ParseErrorKind::IndexOutOfRange);
    EXPECT_EQ(error.message, "expected no triangles: the mesh has no vertices, but found index 0");
}

TEST(NonFiniteNumbers, TheSceneFileRefusesThemWhereverANumberGoes) {
    struct Slot {
        const char* from;
        const char* keyword;
    } slots[] = {
        {"APPTIME: -1.3", "APPTIME:"},
        {"STRENGTH: 0", "STRENGTH:"},
        {"POSITION: 1 0 0 NORMAL: 0 0 1 TEXCOORD: 1", "TEXCOORD:"},
        {"POSITION: 0 0 5", "POSITION:"},
        {"MASS: 2", "MASS:"},
        {"T: 1 KEYFRAME: 45", "KEYFRAME:"},
    };
    const Refusal tokens[] = {
        {"nan", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"-nan", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"inf", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"+INF", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"infinity", ParseErrorKind::ExpectedNumber, "expected a finite number"},
        {"1e39", ParseErrorKind::NumberOutOfRange, "is too large for a float"},
        {"-3.5e38", ParseErrorKind::NumberOutOfRange, "is too large for a float"},
    };
    for (const Slot& slot : slots) {
        // Replace the last number of the slot's text.
        std::string from = slot.from;
        const std::string head = from.substr(0, from.rfind(' ') + 1);
        for (const Refusal& token : tokens) {
            SCOPED_TRACE(std::string(slot.from) + " -> " + token.text);
            const std::string text = replaceFirst(FULL_SCENE, from, head + token.text);
            ASSERT_FALSE(text.empty());
            const ParseError error = parse(text);
            EXPECT_EQ(error.kind, token.kind) << error.message;
            EXPECT_EQ(error.line, lineOf(text, head + token.text));
            EXPECT_NE(error.message.find(token.says), std::string::npos) << error.message;
            EXPECT_NE(error.message.find(std::string("after '") + slot.keyword + "'"),
                      std::string::npos)
                << error.message;
        }
    }
}

TEST(NonFiniteNumbers, CountsRefuseThemAsWholeNumbersAndTinyFloatsBecomeZero) {
    for (const char* token : {"nan", "inf", "-inf"}) {
        const std::string text =
            replaceFirst(FULL_SCENE, "FORCECOUNT: 1", std::string("FORCECOUNT: ") + token);
        SceneDescription d;
        const ParseError error = parseScene(text, &d);
        EXPECT_EQ(error.kind, ParseErrorKind::ExpectedNumber) << token;
        EXPECT_EQ(error.message,
                  std::string("expected a whole number after 'FORCECOUNT:' but found '") + token +
                      "'");
    }
    SceneDescription d;
    const std::string tiny = replaceFirst(FULL_SCENE, "MASS: 2", "MASS: 1e-50");
    ASSERT_EQ(parseScene(tiny, &d).kind, ParseErrorKind::None);
    EXPECT_EQ(d.entities[2].mass, 0.0f);
    const std::string largest = replaceFirst(FULL_SCENE, "MASS: 2", "MASS: 3.4e38");
    ASSERT_EQ(parseScene(largest, &d).kind, ParseErrorKind::None);
}
