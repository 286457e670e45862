// The fast paths for vertex and index lines against the template interpreter, on whole scenes
// whose mesh lines are spelt, spaced and damaged at random: the same description and the same
// error kind, line and message wherever the first error falls (so a fast path that declines must
// leave the parser where the interpreter starts). Plain decimals convert bit for bit.
#include "loader/scan.h"

#include "unit/loader/describe_scene.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

struct Random {
    uint64_t state;
    uint32_t next(uint32_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state >> 33) % bound;
    }
    bool chance(uint32_t percent) { return next(100) < percent; }
};

std::string digits(Random* r, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('0' + r->next(10));
    return s;
}

// A number as a file might spell it: mostly plain decimals of every length around the fast
// path's limits (7 significant digits, 10 decimals, 2^24), some with signs, exponents, a lone
// point, or not numbers at all.
std::string randomNumber(Random* r, bool odd) {
    std::string sign = r->chance(40) ? "-" : "";
    switch (r->next(12)) {
    case 0:
        return sign + digits(r, 1 + static_cast<int>(r->next(9))); // an integer
    case 1:
        return sign + digits(r, 1 + static_cast<int>(r->next(3))) + "." +
               digits(r, 8 + static_cast<int>(r->next(5))); // many decimals
    case 2:
        return sign + std::to_string(16777200 + r->next(40)) + (r->chance(50) ? ".0" : "");
    case 3: {
        if (!odd) return sign + "12.5e-3";
        const char* odd[] = {"+1.5", "1.",    ".5",    "1e3",  "2.5E-2", "1e-50", "1e39",  "nan",
                             "-inf", "0x1p3", "+-1",   "--1",  "1.5.5",  "1,5",   "\xd9",  "-",
                             "1x",   "0.5f",  "00.25", "-0.0", "-0",     "1e",    "3.0e+", "9."};
        return odd[r->next(sizeof odd / sizeof *odd)];
    }
    default: // the generator's own spelling, "%.4f" of a value in (-100, 100)
        return sign + std::to_string(r->next(100)) + "." + digits(r, 4);
    }
}

// A blank run as a file might lay it out; the template matches any run, including none.
std::string randomBlanks(Random* r, bool mayBeEmpty) {
    const char* runs[] = {" ", " ", " ", "\t", "  ", "\n", "\r\n", " \n\t ", "\n\n", "\v\f"};
    if (mayBeEmpty && r->chance(5)) return "";
    return runs[r->next(sizeof runs / sizeof *runs)];
}

std::string randomVertexLine(Random* r) {
    std::string line = r->chance(80) ? "\t\t" : randomBlanks(r, true);
    const char* keywords[] = {"POSITION:", "NORMAL:", "TEXCOORD:"};
    const int counts[] = {3, 3, 2};
    for (int k = 0; k < 3; ++k) {
        std::string keyword = keywords[k];
        if (r->chance(2)) keyword[r->next(static_cast<uint32_t>(keyword.size()))] ^= 0x20;
        if (r->chance(1)) keyword.insert(keyword.size() - 1, " ");
        line += keyword;
        for (int i = 0; i < counts[k]; ++i) {
            line += randomBlanks(r, true);
            line += r->chance(85) ? "1.2500" : randomNumber(r, true);
            if (r->chance(3)) line += "ex.+-5"[r->next(6)]; // a stray character after it
        }
        line += randomBlanks(r, true);
    }
    return line + (r->chance(90) ? "\n" : randomBlanks(r, true));
}

std::string randomIndex(Random* r, int32_t vertexCount) {
    switch (r->next(20)) {
    case 0:
        return "-" + std::to_string(r->next(3));
    case 1:
        return std::to_string(vertexCount + static_cast<int32_t>(r->next(3)));
    case 2:
        return "000" + std::to_string(r->next(static_cast<uint32_t>(vertexCount)));
    case 3: {
        const char* odd[] = {"+1",        "1.0",        "1e0",         "x",  "",   "2147483648",
                             "999999999", "0000000001", "00000000001", "1-", "0x1"};
        return odd[r->next(sizeof odd / sizeof *odd)];
    }
    default:
        return std::to_string(r->next(static_cast<uint32_t>(vertexCount)));
    }
}

// One whole scene whose single mesh has random vertex and triangle lines: well formed (numbers
// of every spelling the format allows) or damaged.
std::string randomMeshScene(Random* r, int32_t vertexCount, int32_t triangleCount, bool damage) {
    std::string text = "SCENECAMERA: None\nHUD:\nAPPTIME: 0 0\nSIMTIME: 0 0\nTIMECOLOUR: 1 1 1 "
                       "1\nBACKGROUNDCOUNT: 0\nBUTTONCOUNT: 0\nFORCECOUNT: 0\nPARTICLECOUNT: "
                       "0\nMATERIALCOUNT: 0\nMESHCOUNT: 1\n\tMESH: M\n\t\tPOSITION: 0 0 0 "
                       "ROTATION: 0 0 1 0 SCALE: 1 1 1\n\t\tVERTEXCOUNT: " +
                       std::to_string(vertexCount) + "\n";
    for (int32_t i = 0; i < vertexCount; ++i) {
        text += damage
                    ? randomVertexLine(r)
                    : "\t\tPOSITION: " + randomNumber(r, false) + " 0 " + randomNumber(r, false) +
                          " NORMAL: 0 1 0 TEXCOORD: " + randomNumber(r, false) + " 1\n";
    }
    text += "\t\tSURFACECOUNT: 1\n\t\t\tTRIANGLECOUNT: " + std::to_string(triangleCount) + "\n";
    for (int32_t t = 0; t < triangleCount; ++t) {
        text += "\t\t\t";
        for (int i = 0; i < 3; ++i) {
            text += damage && r->chance(10) ? randomIndex(r, vertexCount)
                                            : std::to_string(r->next(uint32_t(vertexCount)));
            text += i < 2 ? randomBlanks(r, damage) : "\n";
        }
    }
    // An error after the mesh shows that the fast paths counted the lines they passed.
    return text +
           "SCENEGRAPH:\n------\nENTITY: GROUP\nTYPE: STATIC\nNAME: G\nPOSITION: 0 0 0 "
           "ROTATION: 0 0 1 0 SCALE: 1 1 1\nACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: "
           "None\nMATERIAL: None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: " +
           std::string(damage && r->chance(50) ? "1\n" : "0\n");
}

// Every plain decimal up to 2^24 with up to ten decimals converts to the very float that
// from_chars gives: the division is exact-operand and rounds once.
TEST(FastVertexLine, PlainDecimalsMatchFromCharsBitForBit) {
    Random r{11};
    for (int round = 0; round < 100000; ++round) {
        const uint32_t mantissa = round < 100 ? 16777216 - round : r.next(16777217);
        std::string number = std::to_string(mantissa);
        const size_t decimals = r.next(11);
        if (number.size() <= decimals) number.insert(0, decimals + 1 - number.size(), '0');
        if (decimals > 0) number.insert(number.size() - decimals, ".");
        if (r.chance(50)) number.insert(0, "-");
        const std::string line = "POSITION: " + number + " 0 0 NORMAL: 0 0 0 TEXCOORD: 0 0";
        Parser p = makeParser(line);
        Vertex v{};
        ASSERT_TRUE(scanVertexFast(&p, &v)) << number;
        float expected = 0;
        std::from_chars(number.data(), number.data() + number.size(), expected);
        uint32_t got = 0, want = 0;
        std::memcpy(&got, &v.position.x, 4);
        std::memcpy(&want, &expected, 4);
        ASSERT_EQ(got, want) << number;
    }
}

// Whole scenes: the descriptions and errors of parseScene and of the interpreter alone agree,
// for well-formed meshes and for meshes with damaged lines (wrong keywords, odd numbers, stray
// characters, indices out of range), wherever the first error falls.
TEST(FastPathScenes, ParseLikeTheInterpreterWhetherWellFormedOrDamaged) {
    Random r{2024};
    int failed = 0, kinds[16] = {};
    for (int round = 0; round < 1500; ++round) {
        const bool damage = round % 3 != 0;
        const int32_t vertexCount = 1 + static_cast<int32_t>(r.next(40));
        std::string text =
            randomMeshScene(&r, vertexCount, static_cast<int32_t>(r.next(30)), damage);
        if (damage && r.chance(10))
            text.resize(300 + r.next(static_cast<uint32_t>(text.size() - 300)));
        SceneDescription d;
        ParseError error = parseBothWays(text, &d);
        if (!damage) {
            EXPECT_EQ(error.kind, ParseErrorKind::None) << error.message;
        }
        if (error.kind != ParseErrorKind::None) {
            ++failed;
            ++kinds[static_cast<int>(error.kind)];
        }
    }
    EXPECT_GT(failed, 500);
    EXPECT_LT(failed, 1000); // not every damaged mesh fails
    for (ParseErrorKind kind : {ParseErrorKind::ExpectedLiteral, ParseErrorKind::ExpectedNumber,
                                ParseErrorKind::NumberOutOfRange, ParseErrorKind::IndexOutOfRange,
                                ParseErrorKind::UnexpectedEnd}) {
        EXPECT_GT(kinds[static_cast<int>(kind)], 0) << parseErrorKindName(kind);
    }
}

} // namespace
