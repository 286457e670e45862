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

// A number or index as a file might spell it: mostly plain decimals around the fast path's limits
// (7 significant digits, 10 decimals, 2^24), some with signs, exponents, or not numbers at all.
std::string number(Random* r, bool odd) {
    static const char* const oddOnes[] = {"+1.5", "1.", ".5", "1e3", "2.5E-2", "1e-50", "1e39", "nan",
                                          "-inf", "0x1p3", "+-1", "1.5.5", "1,5", "\xd9", "-", "1x",
                                          "00.25", "-0.0", "1e", "3.0e+", "9.", "1.2500e", "1.2500+"};
    const std::string sign = r->chance(40) ? "-" : "";
    switch (r->next(odd ? 5 : 4)) {
    case 0: return sign + r->digits(1 + static_cast<int>(r->next(9)));
    case 1: return sign + r->digits(1 + static_cast<int>(r->next(3))) + "." + r->digits(8 + static_cast<int>(r->next(5)));
    case 2: return sign + std::to_string(16777200 + r->next(40)) + (r->chance(50) ? ".0" : "");
    case 3: return sign + std::to_string(r->next(100)) + "." + r->digits(4); // "%.4f"
    default: return r->of(oddOnes);
    }
}
std::string index(Random* r, uint32_t vertexCount, bool odd) {
    static const char* const oddOnes[] = {"+1", "1.0", "1e0", "x", "", "2147483648", "999999999",
                                          "00000000001", "1-", "-1", "-0", "0001"};
    if (!odd) return std::to_string(r->next(vertexCount));
    return r->chance(70) ? std::to_string(vertexCount + r->next(2)) : r->of(oddOnes);
}
// A blank run as a file might lay it out; the template matches any run, including none.
std::string blanks(Random* r, bool odd) {
    static const char* const runs[] = {" ", " ", "\t", "  ", "\n", "\r\n", " \n\t ", "\v\f", ""};
    return r->chance(odd ? 30 : 0) ? r->of(runs) : " ";
}

// A whole scene with one mesh of random vertex and index lines; when damaged, some tokens are
// odd, and an error after the mesh shows that the fast paths counted the lines they passed.
std::string meshScene(Random* r, uint32_t vertexCount, uint32_t triangleCount, bool damage) {
    auto odd = [&] { return damage && r->chance(3); };
    std::string text = "SCENECAMERA: None\nHUD:\nAPPTIME: 0 0\nSIMTIME: 0 0\nTIMECOLOUR: 1 1 1 1\n"
                       "BACKGROUNDCOUNT: 0\nBUTTONCOUNT: 0\nFORCECOUNT: 0\nPARTICLECOUNT: 0\n"
                       "MATERIALCOUNT: 0\nMESHCOUNT: 1\n\tMESH: M\n\t\tPOSITION: 0 0 0 ROTATION: "
                       "0 0 1 0 SCALE: 1 1 1\n\t\tVERTEXCOUNT: " + std::to_string(vertexCount) + "\n";
    static const char* const keywords[] = {"\t\tPOSITION:", "NORMAL:", "TEXCOORD:", "PoSITION:", "NORMAL :"};
    for (uint32_t i = 0; i < vertexCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            text += r->chance(damage ? 1 : 0) ? r->of(keywords) : keywords[k];
            for (int j = 0; j < (k == 2 ? 2 : 3); ++j) text += blanks(r, damage) + number(r, odd());
            text += k == 2 ? "\n" : blanks(r, damage);
        }
    }
    text += "\t\tSURFACECOUNT: 1\n\t\t\tTRIANGLECOUNT: " + std::to_string(triangleCount) + "\n";
    for (uint32_t t = 0; t < 3 * triangleCount; ++t) text += index(r, vertexCount, odd()) + (t % 3 == 2 ? "\n" : blanks(r, damage));
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
