// Vectors, quaternions, matrices and boxes against brute-force recomputations on random values:
// row-major storage, the Hamilton product, the engine's degree factor and the box merges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/math.h"
#include "core/records.h"
#include "test_data.h"

namespace {

BoundingBox box(Float3 half, Float3 centre) { return {{half.x, 0, 0}, {0, half.y, 0}, {0, 0, half.z}, centre}; }

Quaternion conjugate(Quaternion q) { return {-q.x, -q.y, -q.z, q.w}; }

} // namespace

TEST(Quaternion, TheEnginesDegreeFactorAndANonUnitAxisChangeTheAngle) {
    const Quaternion q = quaternionFromAxisAngle(90, 0, 1, 0);
    EXPECT_NEAR(q.y, 0.7070904f, 2e-7f); // 3.1415 / 180 per degree, not the exact pi
    EXPECT_NEAR(q.w, 0.7071232f, 2e-7f);
    // matrixFromQuaternion normalises a copy: an axis of length 2 turns about 56.4 degrees.
    const Matrix44 m = matrixFromQuaternion(quaternionFromAxisAngle(30, 0, 2, 0));
    EXPECT_NEAR(std::acos(m.m[0]) * 180 / M_PI, 56.4, 0.1);
}

TEST(Quaternion, MatrixRotatesAsTheHamiltonSandwichAndProductsCompose) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-3, 3), angle(-360, 360);
    for (int i = 0; i < 500; ++i) {
        const Quaternion a = quaternionFromAxisAngle(angle(rng), value(rng), value(rng), value(rng));
        const Quaternion b = quaternionFromAxisAngle(angle(rng), value(rng), value(rng), value(rng));
        Quaternion unit = a;
        normaliseQuaternion(&unit);
        const Float3 v = {value(rng), value(rng), value(rng)};
        const Quaternion turned = multiplyQuaternions(
            multiplyQuaternions(unit, Quaternion{v.x, v.y, v.z, 0}), conjugate(unit));
        const Matrix44 ma = matrixFromQuaternion(a);
        expectFloat3(transformPoint(ma, v), {turned.x, turned.y, turned.z}, 1e-4f);
        const Matrix44 ab = matrixFromQuaternion(multiplyQuaternions(a, b));
        const Matrix44 product = multiplyMatrices(ma, matrixFromQuaternion(b));
        for (int k = 0; k < 16; ++k) ASSERT_NEAR(ab.m[k], product.m[k], 1e-4f) << k;
    }
}

TEST(Matrix, ProductsPointsAndLerpsEqualTheirDefinitions) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> value(-2, 2), unit(0, 1);
    for (int i = 0; i < 500; ++i) {
        Matrix44 a, b;
        for (float& x : a.m) x = value(rng);
        for (float& x : b.m) x = value(rng);
        a.m[15] = 3; // w stays away from zero
        const Matrix44 ab = multiplyMatrices(a, b);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col) {
                float sum = 0;
                for (int k = 0; k < 4; ++k) sum += a.m[4 * row + k] * b.m[4 * k + col];
                ASSERT_NEAR(ab.m[4 * row + col], sum, 1e-4f) << row << "," << col;
            }
        const Float3 p = {value(rng), value(rng), value(rng)};
        const float in[4] = {p.x, p.y, p.z, 1};
        float out[4] = {};
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) out[row] += a.m[4 * row + k] * in[k];
        if (std::fabs(out[3]) > 0.5f)
            expectFloat3(transformPoint(a, p), {out[0] / out[3], out[1] / out[3], out[2] / out[3]},
                         1e-3f);
        const float t = unit(rng);
        const Quaternion q = lerpQuaternion({in[0], in[1], in[2], 1}, {out[0], out[1], out[2], 2}, t);
        expectFloat3({q.x, q.y, q.z}, {in[0] + t * (out[0] - in[0]), in[1] + t * (out[1] - in[1]),
                                       in[2] + t * (out[2] - in[2])}, 1e-4f);
        EXPECT_NEAR(q.w, 1 + t, 1e-5f);
    }
}

TEST(Box, AxisAlignedMergeEqualsTheSixteenCornerHull) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-10, 10);
    for (int i = 0; i < 2000; ++i) {
        // Negative half-extents occur after a half turn and must give the same hull.
        auto random = [&] { return box({value(rng), value(rng), value(rng)}, {value(rng), value(rng), value(rng)}); };
        const BoundingBox a = random(), b = random();
        Vertex corners[16] = {};
        int k = 0;
        for (const BoundingBox& src : {a, b})
            for (int s = 0; s < 8; ++s)
                corners[k++].position = {
                    src.centre.x + (s & 1 ? src.axis0.x : -src.axis0.x),
                    src.centre.y + (s & 2 ? src.axis1.y : -src.axis1.y),
                    src.centre.z + (s & 4 ? src.axis2.z : -src.axis2.z)};
        const BoundingBox expected = boundsOfVertices(corners, 16);
        const BoundingBox merged = mergeBoxes(a, b);
        expectFloat3({merged.axis0.x, merged.axis1.y, merged.axis2.z},
                     {expected.axis0.x, expected.axis1.y, expected.axis2.z}, 0);
        expectFloat3(merged.centre, expected.centre, 0);
    }
}

// The list merge passes over boxes it proves cannot change the running box; the result must be
// the plain chain of merges bit for bit (any NaN equal to any NaN). Values come from a coarse
// grid with signed zeros, so ties between extremes are common, with non-finite boxes among them.
TEST(Box, ListMergeEqualsTheChainOfMergesBitForBit) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pick(0, 99);
    const float grid[] = {-4, -2.5f, -1, -0.0f, 0, 0.5f, 1, 3, 1e-39f, 3e38f};
    auto value = [&] { return grid[pick(rng) % 10]; };
    auto randomBox = [&] {
        BoundingBox b = box({value(), value(), value()}, {value(), value(), value()});
        const int kind = pick(rng);
        if (kind < 3) b.centre.y = NAN;
        else if (kind < 6) b.axis1.x = -0.0f;
        else if (kind < 8) b.axis2.z = INFINITY;
        else if (kind < 40) b.axis0.x = b.centre.x = kind % 2 ? 0.0f : -0.0f; // flat at zero
        return b;
    };
    for (int list = 0; list < 4000; ++list) {
        std::vector<BoundingBox> boxes(static_cast<size_t>(pick(rng) % 12));
        std::vector<BoxExtremes> extremes;
        for (BoundingBox& b : boxes) extremes.push_back(extremesOf(b = randomBox()));
        BoundingBox chain = pick(rng) < 20 ? BoundingBox{} : randomBox();
        const BoundingBox merged =
            mergeBoxList(chain, extremes.data(), static_cast<int32_t>(extremes.size()));
        for (const BoundingBox& b : boxes) chain = mergeBoxes(chain, b);
        float x[12], y[12];
        std::memcpy(x, &merged, sizeof x);
        std::memcpy(y, &chain, sizeof y);
        for (int k = 0; k < 12; ++k)
            ASSERT_TRUE((std::isnan(x[k]) && std::isnan(y[k])) || std::memcmp(&x[k], &y[k], 4) == 0)
                << "list " << list << " float " << k;
    }
}
