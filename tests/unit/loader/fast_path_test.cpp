// The fast paths for vertex and index lines against the template interpreter, on whole scenes
// whose mesh lines are spelt, spaced and damaged at random: the same description and the same
// error wherever the first error falls (a fast path that declines must leave the parser where the
// interpreter starts). Plain decimals convert bit for bit.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <string>

#include "loader/scan.h"
#include "test_data.h"
#include "unit/loader/describe_scene.h"

namespace {

struct Random {
    uint64_t state;
    uint32_t next(uint32_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state >> 33) % bound;
    }
    bool chance(uint32_t percent) { return next(100) < percent; }
    template <size_t N> const char* of(const char* const (&words)[N]) { return words[next(N)]; }
    std::string digits(int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += static_cast<char>('0' + next(10));
        return s;
    }
};

// A number as a file might spell it: mostly plain decimals around the fast path's limits (7
// significant digits, 10 decimals, 2^24), some with signs, exponents, or not numbers at all.
std::string randomNumber(Random* r, bool odd) {
    const std::string sign = r->chance(40) ? "-" : "";
    static const char* const oddOnes[] = {"+1.5", "1.", ".5", "1e3", "2.5E-2", "1e-50", "1e39", "nan",
                                          "-inf", "0x1p3", "+-1", "1.5.5", "1,5", "\xd9", "-", "1x",
                                          "0.5f", "00.25", "-0.0", "1e", "3.0e+", "9."};
    switch (r->next(12)) {
    case 0: return sign + r->digits(1 + static_cast<int>(r->next(9)));
    case 1: return sign + r->digits(1 + static_cast<int>(r->next(3))) + "." + r->digits(8 + static_cast<int>(r->next(5)));
    case 2: return sign + std::to_string(16777200 + r->next(40)) + (r->chance(50) ? ".0" : "");
    case 3: return odd ? r->of(oddOnes) : sign + "12.5e-3";
    default: return sign + std::to_string(r->next(100)) + "." + r->digits(4); // "%.4f"
    }
}

// A blank run as a file might lay it out; the template matches any run, including none.
std::string blanks(Random* r, bool mayBeEmpty) {
    static const char* const runs[] = {" ", " ", "\t", "  ", "\n", "\r\n", " \n\t ", "\v\f"};
    return mayBeEmpty && r->chance(5) ? "" : r->of(runs);
}

std::string vertexLine(Random* r, bool damage) {
    if (!damage)
        return "\t\tPOSITION: " + randomNumber(r, false) + " 0 " + randomNumber(r, false) +
               " NORMAL: 0 1 0 TEXCOORD: " + randomNumber(r, false) + " 1\n";
    std::string line = r->chance(80) ? "\t\t" : blanks(r, true);
    static const char* const keywords[] = {"POSITION:", "NORMAL:", "TEXCOORD:"};
    for (int k = 0; k < 3; ++k) {
        std::string keyword = keywords[k];
        if (r->chance(2)) keyword[r->next(static_cast<uint32_t>(keyword.size()))] ^= 0x20;
        if (r->chance(1)) keyword.insert(keyword.size() - 1, " ");
        line += keyword;
        for (int i = 0; i < (k == 2 ? 2 : 3); ++i) {
            line += blanks(r, true) + (r->chance(85) ? "1.2500" : randomNumber(r, true));
            if (r->chance(3)) line += "ex.+-5"[r->next(6)]; // a stray character after it
        }
        line += blanks(r, true);
    }
    return line + (r->chance(90) ? "\n" : blanks(r, true));
}

std::string index(Random* r, uint32_t vertexCount, bool damage) {
    static const char* const odd[] = {"+1", "1.0", "1e0", "x", "", "2147483648", "999999999",
                                      "0000000001", "00000000001", "1-", "0x1", "-1", "-0"};
    if (!damage || !r->chance(10)) return std::to_string(r->next(vertexCount));
    switch (r->next(3)) {
    case 0: return std::to_string(vertexCount + r->next(3));
    case 1: return "000" + std::to_string(r->next(vertexCount));
    default: return r->of(odd);
    }
}

std::string meshScene(Random* r, uint32_t vertexCount, uint32_t triangleCount, bool damage) {
    std::string text = "SCENECAMERA: None\nHUD:\nAPPTIME: 0 0\nSIMTIME: 0 0\nTIMECOLOUR: 1 1 1 1\n"
                       "BACKGROUNDCOUNT: 0\nBUTTONCOUNT: 0\nFORCECOUNT: 0\nPARTICLECOUNT: 0\n"
                       "MATERIALCOUNT: 0\nMESHCOUNT: 1\n\tMESH: M\n\t\tPOSITION: 0 0 0 ROTATION: "
                       "0 0 1 0 SCALE: 1 1 1\n\t\tVERTEXCOUNT: " + std::to_string(vertexCount) + "\n";
    for (uint32_t i = 0; i < vertexCount; ++i) text += vertexLine(r, damage);
    text += "\t\tSURFACECOUNT: 1\n\t\t\tTRIANGLECOUNT: " + std::to_string(triangleCount) + "\n";
    for (uint32_t t = 0; t < triangleCount; ++t)
        for (int i = 0; i < 3; ++i) text += index(r, vertexCount, damage) + (i < 2 ? blanks(r, damage) : "\n");
    // An error after the mesh shows that the fast paths counted the lines they passed.
    return text + "SCENEGRAPH:\n" + replaceFirst(nestedGroups(1), "CHILDCOUNT: 0", damage && r->chance(50) ? "CHILDCOUNT: 1" : "CHILDCOUNT: 0");
}

TEST(FastPaths, PlainDecimalsMatchFromCharsBitForBit) {
    Random r{11};
    for (int round = 0; round < 100000; ++round) {
        std::string number = std::to_string(round < 100 ? 16777216 - round : r.next(16777217));
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
        ASSERT_EQ(std::memcmp(&v.position.x, &expected, 4), 0) << number;
    }
}

TEST(FastPaths, WholeScenesParseLikeTheInterpreterWhetherWellFormedOrDamaged) {
    Random r{2024};
    int failed = 0, kinds[16] = {};
    for (int round = 0; round < 1500; ++round) {
        const bool damage = round % 3 != 0;
        std::string text = meshScene(&r, 1 + r.next(40), r.next(30), damage);
        if (damage && r.chance(10)) text.resize(300 + r.next(static_cast<uint32_t>(text.size() - 300)));
        SceneDescription d;
        const ParseError error = parseBothWays(text, &d);
        if (!damage) {
            EXPECT_EQ(error.kind, ParseErrorKind::None) << error.message;
        }
        failed += error.kind != ParseErrorKind::None;
        ++kinds[static_cast<int>(error.kind)];
    }
    EXPECT_GT(failed, 500);
    EXPECT_LT(failed, 1000); // not every damaged mesh fails
    for (ParseErrorKind kind : {ParseErrorKind::ExpectedLiteral, ParseErrorKind::ExpectedNumber,
                                ParseErrorKind::NumberOutOfRange, ParseErrorKind::IndexOutOfRange,
                                ParseErrorKind::UnexpectedEnd})
        EXPECT_GT(kinds[static_cast<int>(kind)], 0) << parseErrorKindName(kind);
}

} // namespace
