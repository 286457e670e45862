// The fast paths for vertex and index lines against the template interpreter: plain decimals
// convert bit for bit, and every spelling and spacing of a number or an index, good or bad, gives
// the same scene or the same error.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <string>

#include "loader/scan.h"
#include "test_data.h"
#include "unit/loader/describe_scene.h"

namespace {

uint64_t state = 11;
uint32_t next(uint32_t bound) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>(state >> 33) % bound;
}

// A plain decimal around the fast path's limits: up to 2^24 as an integer, up to 10 decimals.
std::string plainDecimal(int round) {
    std::string number = std::to_string(round < 100 ? 16777216 - round : next(16777217));
    const size_t decimals = next(11);
    if (number.size() <= decimals) number.insert(0, decimals + 1 - number.size(), '0');
    if (decimals > 0) number.insert(number.size() - decimals, ".");
    return next(2) ? "-" + number : number;
}

TEST(FastPaths, PlainDecimalsMatchFromCharsBitForBit) {
    for (int round = 0; round < 100000; ++round) {
        const std::string number = plainDecimal(round);
        const std::string line = "POSITION: " + number + " 0 0 NORMAL: 0 0 0 TEXCOORD: 0 0";
        Parser p = makeParser(line);
        Vertex v{};
        ASSERT_TRUE(scanVertexFast(&p, &v)) << number;
        float expected = 0;
        std::from_chars(number.data(), number.data() + number.size(), expected);
        ASSERT_EQ(std::memcmp(&v.position.x, &expected, 4), 0) << number;
    }
}

TEST(FastPaths, EverySpellingParsesLikeTheInterpreter) {
    const char* const numbers[] = {"+1.5", "1.", ".5", "1e3", "2.5E-2", "1e-50", "1e39", "nan", "-inf",
                                   "0x1p3", "+-1", "1.5.5", "1,5", "\xd9", "-", "1x", "00.25", "-0.0",
                                   "1e", "3.0e+", "9.", "1.2500+", "16777217", "0.12345678901"};
    const char* const indices[] = {"+1", "1.0", "1e0", "x", "", "2147483648", "3", "00000000001",
                                   "1-", "-1", "-0", "0001", "2\n"};
    const char* const blanks[] = {" ", "\t", "  ", "\n", "\r\n", " \n\t ", "\v\f", ""};
    const std::string example = sceneText("example");
    int failed = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string number = round % 2 ? plainDecimal(round) : numbers[next(std::size(numbers))];
        const std::string blank = blanks[next(std::size(blanks))];
        std::string text = replaceFirst(example, "POSITION: 1 0 0 NORMAL", "POSITION: 1" + blank + number + " 0 NORMAL");
        text = replaceFirst(text, "\t0 1 2", std::string("\t0") + blank + indices[next(std::size(indices))] + " 2");
        SceneDescription d;
        failed += parseBothWays(text, &d).kind != ParseErrorKind::None;
    }
    EXPECT_GT(failed, 500);
    EXPECT_LT(failed, 1900); // not every spelling fails
}

} // namespace
