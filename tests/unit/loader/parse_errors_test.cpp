// The scene parser on malformed and hostile files: single mistakes with the kind, line and message
// each must report, a cut in every section, words and counts at their limits, and thousands of
// randomly damaged files; each parse also held to the template interpreter alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "loader/parse.h"
#include "test_data.h"
#include "unit/loader/describe_scene.h"

namespace {

const std::string EXAMPLE = sceneText("example");
const std::string FULL = sceneText("full");

ParseError parse(std::string_view text) {
    SceneDescription d;
    return parseBothWays(text, &d);
}

// A message a person can read on a terminal: printable ASCII only, and not a wall of text.
bool readable(const std::string& message) {
    return !message.empty() && message.size() <= 200 &&
           std::all_of(message.begin(), message.end(), [](char c) { return c >= 32 && c <= 126; });
}

using K = ParseErrorKind;

TEST(ParseErrors, EachMistakeReportsItsKindLineAndWhatWasExpected) {
    const struct {
        const char* from; // replaced in the example ...
        std::string to;   // ... by this
        K kind;
        const char* marker;  // the reported line is this text's, or the last line when null
        const char* message; // a part of the message
    } cases[] = {
        {"MASS: 1\nKEYFRAMERCOUNT: 1", "MAS: 1\nKEYFRAMERCOUNT: 1", K::ExpectedLiteral, "MAS:", "expected 'MASS:' but found 'MAS:'"},
        {"------\nENTITY: CAMERA", "-----\nENTITY: CAMERA", K::ExpectedLiteral, "-----\nENTITY: C", "'------'"},
        {"TEXTURE: panel.tga", "LINK: Camera1\nTEXTURE: panel.tga", K::ExpectedLiteral, "LINK: Camera1", "TEXTURE:"},
        {"LINK: Camera1\n", "", K::ExpectedLiteral, "TEXTURE: None", "LINK:"},
        {"TEXTURETYPE: STATIC\nTEXTURE: smoke", "TEXTURETYPE: DYNAMIC\nTEXTURE: smoke", K::ExpectedLiteral, "TEXTURE: smoke", "("},
        {"TEXTURETYPE: STATIC\nTEXTURE: smoke", "TEXTURETYPE: DYNAMIC ()\nTEXTURE: smoke", K::ExpectedWord, "DYNAMIC ()", "camera"},
        {"STRENGTH: 0 -9.8 0", "STRENGTH: 0 down 0", K::ExpectedNumber, "STRENGTH", "after 'STRENGTH:'"},
        {"SIZE: 0.2", "SIZE: nan", K::ExpectedNumber, "SIZE", "expected a finite number after 'SIZE:' but found 'nan'"},
        {"MASS: 1\nKEYFRAMERCOUNT: 1", "MASS: 1e39\nKEYFRAMERCOUNT: 1", K::NumberOutOfRange, "1e39", "too large for a float"},
        {"FORCECOUNT: 1", "FORCECOUNT: inf", K::ExpectedNumber, "FORCECOUNT", "expected a whole number after 'FORCECOUNT:' but found 'inf'"},
        {"CHILDCOUNT: 2", "CHILDCOUNT: 2.5", K::ExpectedLiteral, "CHILDCOUNT: 2.5", "'.5'"},
        {"\t0 1 2", "\t0 1\n\t\t\t\t3", K::IndexOutOfRange, "\t\t\t\t3", "expected a vertex index from 0 to 2 but found 3"},
        {"\t0 1 2", "\t0 1 2147483648", K::NumberOutOfRange, "\t0 1 2147", "does not fit in 32 bits"},
        {"VERTEXCOUNT: 3", "VERTEXCOUNT: 2000000000", K::CountTooLarge, "VERTEXCOUNT", "VERTEXCOUNT:"},
        {"KEYFRAMECOUNT: 2", "KEYFRAMECOUNT: 1000", K::CountTooLarge, "KEYFRAMECOUNT", "(the rest of the file cannot hold more)"},
        {"KEYFRAMERCOUNT: 0\nCHILDCOUNT: 2", "KEYFRAMERCOUNT: 0\nCHILDCOUNT: 3", K::UnexpectedEnd, nullptr, "end of file"},
        {"NAME: Spinner", "NAME: ääääääääää", K::WordTooLong, "NAME: ä", // ten 2-byte letters, as written
         "expected a word of at most 19 bytes after 'NAME:' but found 'ääääääääää' (20 bytes)"},
        {"TEXTURETYPE: STATIC\nTEXTURE: smoke", "TEXTURETYPE: DYNAMIC (" + std::string(4000, 'n') + ")\nTEXTURE: smoke",
         K::WordTooLong, "(nnn", "nnnnnn...' (4000 bytes)"},
        {"ENTITY: CAMERA", "ENTITY: Camera", K::UnknownVariant, "ENTITY: Camera",
         "expected one of LIGHT, CAMERA, GROUP, OBJECT, PARTICLE after 'ENTITY:' but found 'Camera'"},
        {"DISPLAYTYPE: QUAD", "DISPLAYTYPE: Q\x02", K::UnknownVariant, "DISPLAYTYPE",
         "expected one of POINT, TRIANGLE, QUAD after 'DISPLAYTYPE:' but found 'Q?'"},
        {"TYPE: ANIMATE", "TYPE: MOVING", K::UnknownVariant, "TYPE: MOVING", "'MOVING'"},
        // The word counts, not its keyword: STATIK stands two lines below TEXTURETYPE.
        {"TEXTURETYPE: STATIC\n\tTEXTURE: None", "TEXTURETYPE: \n\n STATIK\n\tTEXTURE: None", K::UnknownVariant, " STATIK", "'STATIK'"},
    };
    for (const auto& c : cases) {
        const std::string text = replaceFirst(EXAMPLE, c.from, c.to);
        ASSERT_FALSE(text.empty()) << c.from;
        const ParseError error = parse(text);
        EXPECT_EQ(error.kind, c.kind) << c.to << ": " << error.message;
        EXPECT_EQ(error.line, c.marker ? lineOf(text, c.marker) : lineCount(text)) << c.to;
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
}

TEST(ParseErrors, EveryCutAtALineOrWordEndNamesTheEndOrTheCountThatCannotBeMet) {
    int countErrors = 0, cuts = 0;
    for (size_t end = FULL.find_first_of(" \n"); end + 1 < FULL.size(); end = FULL.find_first_of(" \n", end + 1)) {
        const std::string cut = FULL.substr(0, end);
        if (cut.find_last_not_of(" \t\r\n") + 1 < cut.size() || ++cuts == 0) continue;
        const ParseError error = parse(cut);
        EXPECT_TRUE(readable(error.message)) << error.message;
        if (error.kind == K::CountTooLarge) { // reported on the line of the count's keyword
            ++countErrors;
            const size_t open = error.message.find("after '") + 7;
            const std::string keyword = error.message.substr(open, error.message.find('\'', open) - open);
            size_t at = 0;
            for (int line = 1; line < error.line; ++line) at = cut.find('\n', at) + 1;
            EXPECT_NE(cut.substr(at, cut.find('\n', at) - at).find(keyword), std::string::npos) << error.message;
            continue;
        }
        EXPECT_TRUE(error.kind == K::UnexpectedEnd || error.kind == K::ExpectedWord) << error.message;
        EXPECT_EQ(error.line, lineCount(cut)) << error.message;
        EXPECT_NE(error.message.find("but found end of file"), std::string::npos) << error.message;
    }
    EXPECT_GT(countErrors, 0); // both kinds of report occur among the cuts
    EXPECT_LT(countErrors, cuts);
    for (const auto& [blank, line] : {std::pair{"", 1}, {"\n\n\n", 4}, {"\t\r\n  \r\n", 3}}) {
        const ParseError error = parse(blank);
        EXPECT_EQ(error.line, line);
        EXPECT_EQ(error.message, "expected 'SCENECAMERA:' but found end of file");
    }
}

// Thousands of damaged copies of the example (bytes changed, inserted, deleted, cut, control and
// high bytes among them) parse or fail cleanly, with notes that are lines of text, from exact-size
// copies so the sanitizer build sees any read past the end.
TEST(ParseErrors, DamagedFilesFailCleanly) {
    uint32_t state = 12345;
    auto next = [&state](uint32_t bound) { return ((state = state * 1664525u + 1013904223u) >> 8) % bound; };
    const char alphabet[] = "0123456789-+.e: \n\tABCDEFGHIKLMNOPRSTUVWXYZ()abc\x01\xff";
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = EXAMPLE;
        for (int edits = 1 + static_cast<int>(next(4)); edits > 0; --edits) {
            const size_t at = next(static_cast<uint32_t>(text.size()));
            const char c = alphabet[next(sizeof alphabet - 1)];
            switch (next(4)) {
            case 0: text[at] = c; break;
            case 1: text.insert(at, 1, c); break;
            case 2: text.erase(at, 1 + next(8)); break;
            default: text.resize(at);
            }
        }
        const std::vector<char> exact(text.begin(), text.end());
        const ParseError error = parse(std::string_view(exact.data(), exact.size()));
        if (error.kind == K::None) continue;
        ++failures;
        EXPECT_GE(error.line, 1);
        EXPECT_LE(error.line, lineCount(text)) << error.message;
        EXPECT_TRUE(readable(error.message)) << error.message;
        EXPECT_EQ(checkParsedScene({}, error, std::string_view(exact.data(), exact.size())), ""); // its notes too
    }
    EXPECT_GT(failures, 1000); // the damage does reach the parser
}

} // namespace
