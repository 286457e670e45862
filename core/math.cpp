// Vector, quaternion, matrix and box operations. Pure functions on values; arithmetic is carried
// in double where a formula allows and every stored component is a float.
#include "core/math.h"

#include <bit>
#include <cmath>
#include <cstring>

float lengthFloat3(Float3 v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

void normaliseFloat3(Float3* v) {
    const float length = lengthFloat3(*v);
    v->x /= length;
    v->y /= length;
    v->z /= length;
}

Quaternion quaternionFromAxisAngle(float angleDegrees, float ax, float ay, float az) {
    const double h = angleDegrees * 0.5 * DEG_TO_RAD;
    const double s = std::sin(h);
    return {static_cast<float>(s * ax), static_cast<float>(s * ay), static_cast<float>(s * az),
            static_cast<float>(std::cos(h))};
}

float quaternionLength(Quaternion q) {
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

void normaliseQuaternion(Quaternion* q) {
    const float length = quaternionLength(*q);
    q->x /= length;
    q->y /= length;
    q->z /= length;
    q->w /= length;
}

Quaternion multiplyQuaternions(Quaternion p, Quaternion q) {
    return {p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
            p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
            p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w,
            p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z};
}

Quaternion lerpQuaternion(Quaternion a, Quaternion b, float t) {
    return {(1 - t) * a.x + t * b.x, (1 - t) * a.y + t * b.y, (1 - t) * a.z + t * b.z,
            (1 - t) * a.w + t * b.w};
}

Matrix44 matrixFromQuaternion(Quaternion q) {
    normaliseQuaternion(&q);
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    Matrix44 r = identityMatrix();
    r.m[0] = 1 - 2 * y * y - 2 * z * z;
    r.m[1] = 2 * x * y - 2 * w * z;
    r.m[2] = 2 * x * z + 2 * w * y;
    r.m[4] = 2 * x * y + 2 * w * z;
    r.m[5] = 1 - 2 * x * x - 2 * z * z;
    r.m[6] = 2 * y * z - 2 * w * x;
    r.m[8] = 2 * x * z - 2 * w * y;
    r.m[9] = 2 * y * z + 2 * w * x;
    r.m[10] = 1 - 2 * x * x - 2 * y * y;
    return r;
}

Matrix44 identityMatrix() {
    Matrix44 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
    return r;
}

Matrix44 translationMatrix(float x, float y, float z) {
    Matrix44 r = identityMatrix();
    r.m[3] = x;
    r.m[7] = y;
    r.m[11] = z;
    return r;
}

Matrix44 multiplyMatrices(Matrix44 a, Matrix44 b) {
    Matrix44 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r.m[4 * row + col] = a.m[4 * row] * b.m[col] + a.m[4 * row + 1] * b.m[4 + col] +
                                 a.m[4 * row + 2] * b.m[8 + col] + a.m[4 * row + 3] * b.m[12 + col];
        }
    }
    return r;
}

Float3 transformPoint(Matrix44 m, Float3 p) {
    const float w = m.m[12] * p.x + m.m[13] * p.y + m.m[14] * p.z + m.m[15];
    return {(m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3]) / w,
            (m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7]) / w,
            (m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11]) / w};
}

Float3 transformVector(Matrix44 m, Float3 v) {
    return {m.m[0] * v.x + m.m[1] * v.y + m.m[2] * v.z, m.m[4] * v.x + m.m[5] * v.y + m.m[6] * v.z,
            m.m[8] * v.x + m.m[9] * v.y + m.m[10] * v.z};
}

void transposeMatrix(Matrix44* m) {
    for (int row = 0; row < 4; ++row) {
        for (int col = row + 1; col < 4; ++col) {
            const float t = m->m[4 * row + col];
            m->m[4 * row + col] = m->m[4 * col + row];
            m->m[4 * col + row] = t;
        }
    }
}

BoundingBox boundsOfVertices(const Vertex* vertices, int count) {
    if (count < 1 || vertices == nullptr) return BoundingBox{};
    Float3 lo = vertices[0].position, hi = vertices[0].position;
    for (int i = 1; i < count; ++i) {
        const Float3 p = vertices[i].position;
        if (p.x < lo.x) lo.x = p.x;
        if (p.x > hi.x) hi.x = p.x;
        if (p.y < lo.y) lo.y = p.y;
        if (p.y > hi.y) hi.y = p.y;
        if (p.z < lo.z) lo.z = p.z;
        if (p.z > hi.z) hi.z = p.z;
    }
    const Float3 half = {(hi.x - lo.x) * 0.5f, (hi.y - lo.y) * 0.5f, (hi.z - lo.z) * 0.5f};
    const Float3 centre = {(hi.x + lo.x) * 0.5f, (hi.y + lo.y) * 0.5f, (hi.z + lo.z) * 0.5f};
    return {{half.x, 0, 0}, {0, half.y, 0}, {0, 0, half.z}, centre};
}

namespace {
void boxCorners(BoundingBox b, Vertex* out) {
    int k = 0;
    for (int i = -1; i <= 1; i += 2) {
        for (int j = -1; j <= 1; j += 2) {
            for (int l = -1; l <= 1; l += 2) {
                Float3 p = b.centre;
                p = addFloat3(p, scaleFloat3(b.axis0, static_cast<float>(i)));
                p = addFloat3(p, scaleFloat3(b.axis1, static_cast<float>(j)));
                p = addFloat3(p, scaleFloat3(b.axis2, static_cast<float>(l)));
                out[k++].position = p;
            }
        }
    }
}
} // namespace

BoundingBox mergeBoxCorners(BoundingBox a, BoundingBox b) {
    Vertex corners[16] = {};
    boxCorners(a, corners);
    boxCorners(b, corners + 8);
    return boundsOfVertices(corners, 16);
}

namespace {
// One axis of an axis-aligned box as mergeBoxes sees it: centre, half-extent and extremes. A
// merge result has +0 off the diagonal, so three of these are all of it.
struct Axis {
    float centre;
    float half;
    float lo;
    float hi;
};

[[gnu::always_inline]] inline Axis axisOf(float centre, float half) {
    return {centre, half, centre - std::fabs(half), centre + std::fabs(half)};
}

// The axis of mergeBoxes(a, b), where b spans lo to hi: std::min and std::max keep their first
// argument unless the second strictly wins.
[[gnu::always_inline]] inline Axis mergeAxis(Axis a, float lo, float hi) {
    lo = lo < a.lo ? lo : a.lo;
    hi = a.hi < hi ? hi : a.hi;
    return axisOf((hi + lo) * 0.5f, (hi - lo) * 0.5f);
}

[[gnu::always_inline]] inline bool sameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

// True when merging the axis with itself gives it back bit for bit.
[[gnu::always_inline]] inline bool isOwnHull(Axis a) {
    return sameBits((a.hi - a.lo) * 0.5f, a.half) && sameBits((a.hi + a.lo) * 0.5f, a.centre);
}

// True when merging lo..hi into the axis picks the axis's own extremes on both sides.
[[gnu::always_inline]] inline bool keeps(Axis a, float lo, float hi) {
    return !(lo < a.lo) && !(a.hi < hi);
}
} // namespace

BoundingBox mergeBoxList(BoundingBox box, const BoxExtremes* boxes, int32_t count) {
    Axis x = axisOf(box.centre.x, box.axis0.x);
    Axis y = axisOf(box.centre.y, box.axis1.y);
    Axis z = axisOf(box.centre.z, box.axis2.z);
    bool ownHull = false; // box itself may be any axis-aligned box, so it is merged at least once
    for (int32_t i = 0; i < count; ++i) {
        const BoxExtremes& b = boxes[i];
        if (ownHull && keeps(x, b.lo.x, b.hi.x) && keeps(y, b.lo.y, b.hi.y) &&
            keeps(z, b.lo.z, b.hi.z))
            continue;
        x = mergeAxis(x, b.lo.x, b.hi.x);
        y = mergeAxis(y, b.lo.y, b.hi.y);
        z = mergeAxis(z, b.lo.z, b.hi.z);
        ownHull = isOwnHull(x) && isOwnHull(y) && isOwnHull(z);
    }
    if (count <= 0) return box;
    return {{x.half, 0, 0}, {0, y.half, 0}, {0, 0, z.half}, {x.centre, y.centre, z.centre}};
}

BoundingBox transformBox(BoundingBox box, Matrix44 m) {
    return {transformVector(m, box.axis0), transformVector(m, box.axis1),
            transformVector(m, box.axis2), transformPoint(m, box.centre)};
}
