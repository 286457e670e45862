// Vectors, quaternions, matrices and boxes: the engine's angle constant, storage orders and
// box rules.
#include <gtest/gtest.h>

#include "test_data.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/math.h"
#include "render/records.h"

namespace {
BoundingBox box(Float3 half, Float3 centre) {
    return {{half.x, 0, 0}, {0, half.y, 0}, {0, 0, half.z}, centre};
}
} // namespace

TEST(Quaternion, FromAxisAngleUsesTheEnginesDegreeFactor) {
    EXPECT_DOUBLE_EQ(DEG_TO_RAD, 3.1415 / 180.0);
    const Quaternion q = quaternionFromAxisAngle(90, 0, 1, 0);
    EXPECT_FLOAT_EQ(q.x, 0);
    EXPECT_NEAR(q.y, 0.7070904f, 2e-7f);
    EXPECT_NEAR(q.w, 0.7071232f, 2e-7f);
    EXPECT_GT(q.w, q.y); // not the exact sqrt(1/2) for both
    const Quaternion identity = quaternionFromAxisAngle(0, 5, 7, 9);
    EXPECT_FLOAT_EQ(identity.x, 0);
    EXPECT_FLOAT_EQ(identity.w, 1);
}

TEST(Quaternion, NonUnitAxisChangesTheEffectiveAngle) {
    const Quaternion q = quaternionFromAxisAngle(30, 0, 2, 0);
    EXPECT_NEAR(q.y, 0.5176f, 1e-4f);
    EXPECT_NEAR(q.w, 0.9659f, 1e-4f);
    EXPECT_NEAR(quaternionLength(q), 1.0959f, 1e-4f);
    Quaternion n = q;
    normaliseQuaternion(&n);
    EXPECT_NEAR(n.y, 0.4723f, 1e-4f);
    EXPECT_NEAR(n.w, 0.8814f, 1e-4f);
    // matrixFromQuaternion normalises a copy: the rotation is about 56.4 degrees, not 30.
    const Matrix44 m = matrixFromQuaternion(q);
    EXPECT_NEAR(std::acos(m.m[0]) * 180 / M_PI, 56.4, 0.1);
    EXPECT_FLOAT_EQ(q.y, quaternionFromAxisAngle(30, 0, 2, 0).y); // caller's value untouched
}

TEST(Quaternion, HamiltonProductOrder) {
    const Quaternion a = quaternionFromAxisAngle(90, 1, 0, 0);
    const Quaternion b = quaternionFromAxisAngle(90, 0, 1, 0);
    const Matrix44 ab = matrixFromQuaternion(multiplyQuaternions(a, b));
    const Matrix44 expected = multiplyMatrices(matrixFromQuaternion(a), matrixFromQuaternion(b));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(ab.m[i], expected.m[i], 1e-5f) << i;
}

TEST(Matrix, RowMajorTranslationAndRotationCompose) {
    const Matrix44 t = translationMatrix(1, 2, 3);
    EXPECT_FLOAT_EQ(t.m[3], 1);
    EXPECT_FLOAT_EQ(t.m[7], 2);
    EXPECT_FLOAT_EQ(t.m[11], 3);
    for (float angle : {0.f, 33.f, 90.f, 270.f}) {
        const Matrix44 m =
            multiplyMatrices(t, matrixFromQuaternion(quaternionFromAxisAngle(angle, 1, 1, 0)));
        expectFloat3(transformPoint(m, {0, 0, 0}), {1, 2, 3});
    }
    // Rotation about y by 90 degrees maps z onto x (counter-clockwise looking down the axis).
    const Matrix44 r = matrixFromQuaternion(quaternionFromAxisAngle(90, 0, 1, 0));
    expectFloat3(transformVector(r, {0, 0, 1}), {1, 0, 0}, 1e-4f);
    expectFloat3(transformPoint(multiplyMatrices(t, r), {0, 0, 1}), {2, 2, 3}, 1e-4f);
}

TEST(Matrix, TransformPointDividesByW) {
    Matrix44 m = identityMatrix();
    m.m[15] = 2;
    expectFloat3(transformPoint(m, {2, 4, 6}), {1, 2, 3});
}

TEST(Box, BoundsOfVerticesReadsPositionsAtTheVertexStride) {
    Vertex v[3] = {};
    v[0].position = {-1, 2, 0};
    v[1].position = {3, -2, 1};
    v[2].position = {0, 0, 5};
    v[1].normal = {100, 100, 100}; // must not take part
    const BoundingBox b = boundsOfVertices(v, 3);
    expectFloat3(b.axis0, {2, 0, 0});
    expectFloat3(b.axis1, {0, 2, 0});
    expectFloat3(b.axis2, {0, 0, 2.5f});
    expectFloat3(b.centre, {1, 0, 2.5f});
    const BoundingBox single = boundsOfVertices(v + 2, 1);
    expectFloat3(single.axis2, {0, 0, 0});
    expectFloat3(single.centre, {0, 0, 5});
    const BoundingBox none = boundsOfVertices(v, 0);
    expectFloat3(none.centre, {0, 0, 0});
    expectFloat3(none.axis0, {0, 0, 0});
}

TEST(Box, MergeAndTransform) {
    const BoundingBox zero{};
    const BoundingBox zz = mergeBoxes(zero, zero);
    expectFloat3(zz.axis0, {0, 0, 0});
    expectFloat3(zz.centre, {0, 0, 0});
    // A point box at the origin and a box far away: the merge stretches to the origin.
    const BoundingBox far = mergeBoxes(zero, box({1, 1, 1}, {10, 0, 0}));
    expectFloat3(far.axis0, {5.5f, 0, 0});
    expectFloat3(far.centre, {5.5f, 0, 0});
    // An oriented box merged with itself becomes its axis-aligned hull.
    const Matrix44 r = matrixFromQuaternion(quaternionFromAxisAngle(45, 0, 0, 1));
    const BoundingBox turned = transformBox(box({1, 1, 0}, {0, 0, 0}), r);
    const BoundingBox hull = mergeBoxes(turned, turned);
    EXPECT_NEAR(hull.axis0.x, std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(hull.axis1.y, std::sqrt(2.0f), 1e-3f);
    EXPECT_FLOAT_EQ(hull.axis0.y, 0);
    // A pure translation moves only the centre.
    const BoundingBox moved = transformBox(box({1, 2, 3}, {1, 1, 1}), translationMatrix(5, 0, 0));
    expectFloat3(moved.axis1, {0, 2, 0});
    expectFloat3(moved.centre, {6, 1, 1});
}

TEST(Box, AxisAlignedMergeEqualsTheSixteenCornerHull) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-10, 10);
    for (int i = 0; i < 2000; ++i) {
        // Negative half-extents occur after a half turn and must give the same hull.
        const BoundingBox a =
            box({value(rng), value(rng), value(rng)}, {value(rng), value(rng), value(rng)});
        const BoundingBox b =
            box({value(rng), value(rng), value(rng)}, {value(rng), value(rng), value(rng)});
        Vertex corners[16] = {};
        int k = 0;
        for (const BoundingBox& src : {a, b})
            for (int s0 : {-1, 1})
                for (int s1 : {-1, 1})
                    for (int s2 : {-1, 1})
                        corners[k++].position = addFloat3(
                            addFloat3(addFloat3(src.centre, scaleFloat3(src.axis0, float(s0))),
                                      scaleFloat3(src.axis1, float(s1))),
                            scaleFloat3(src.axis2, float(s2)));
        const BoundingBox expected = boundsOfVertices(corners, 16);
        const BoundingBox merged = mergeBoxes(a, b);
        EXPECT_EQ(merged.axis0.x, expected.axis0.x);
        EXPECT_EQ(merged.axis1.y, expected.axis1.y);
        EXPECT_EQ(merged.axis2.z, expected.axis2.z);
        EXPECT_EQ(merged.centre.x, expected.centre.x);
        EXPECT_EQ(merged.centre.y, expected.centre.y);
        EXPECT_EQ(merged.centre.z, expected.centre.z);
    }
}

// Bit for bit, except that any NaN equals any NaN: which operand's NaN an addition passes on is
// the compiler's choice.
namespace {
bool sameBoxBits(const BoundingBox& a, const BoundingBox& b) {
    float x[12], y[12];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
    for (int k = 0; k < 12; ++k)
        if (!(std::isnan(x[k]) && std::isnan(y[k])) && std::memcmp(&x[k], &y[k], 4) != 0)
            return false;
    return true;
}
} // namespace

// The list merge passes over boxes it proves cannot change the running box; the result must be
// the plain chain of merges bit for bit. Values come from a coarse grid with signed zeros, so
// ties between extremes are common, with non-finite and far boxes among them.
TEST(Box, ListMergeEqualsTheChainOfMergesBitForBit) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pick(0, 99);
    const float grid[] = {-4, -2.5f, -1, -0.0f, 0, 0.5f, 1, 3, 1e-39f, 3e38f};
    auto value = [&] { return grid[pick(rng) % 10]; };
    auto randomBox = [&] {
        BoundingBox b = box({value(), value(), value()}, {value(), value(), value()});
        const int kind = pick(rng);
        if (kind < 3)
            b.centre.y = NAN;
        else if (kind < 6)
            b.axis1.x = -0.0f;
        else if (kind < 8)
            b.axis2.z = INFINITY;
        else if (kind < 40)
            b.axis0.x = b.centre.x = kind % 2 ? 0.0f : -0.0f; // flat at zero
        return b;
    };
    int passedOver = 0;
    for (int list = 0; list < 4000; ++list) {
        std::vector<BoundingBox> boxes(static_cast<size_t>(pick(rng) % 12));
        std::vector<BoxExtremes> extremes;
        for (BoundingBox& b : boxes) {
            b = randomBox();
            extremes.push_back(extremesOf(b));
        }
        const BoundingBox start = pick(rng) < 20 ? BoundingBox{} : randomBox();
        BoundingBox chain = start;
        for (const BoundingBox& b : boxes) {
            const BoundingBox next = mergeBoxes(chain, b);
            passedOver += std::memcmp(&next, &chain, sizeof chain) == 0;
            chain = next;
        }
        const BoundingBox merged =
            mergeBoxList(start, extremes.data(), static_cast<int32_t>(extremes.size()));
        ASSERT_TRUE(sameBoxBits(merged, chain)) << "list " << list;
    }
    EXPECT_GT(passedOver, 4000); // the lists do exercise boxes that change nothing
}
