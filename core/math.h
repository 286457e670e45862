// Small value types of the engine (vectors, quaternions, colours, 4x4 matrices, boxes, vertices)
// and the pure free functions on them. No GL, no I/O, no allocation. Angles are in degrees at the
// interface; matrices are row-major (element (r, c) at index 4r + c) and are transposed only
// when they are handed to OpenGL.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

// Not the exact pi/180: the engine converts every angle with this value.
inline constexpr double DEG_TO_RAD = 3.1415 / 180.0;

struct Float2 {
    float x, y;
};

struct TexCoord {
    float u, v;
};

struct Float3 {
    float x, y, z;
};

// w is the last component.
struct Quaternion {
    float x, y, z, w;
};

struct Colour {
    float r, g, b, a;
};

struct Matrix44 {
    float m[16];
};

// Oriented box: centre + u*axis0 + v*axis1 + w*axis2, u, v, w in [-1, 1]. The axes are
// half-extents, not unit vectors. All zero is a point at the origin.
struct BoundingBox {
    Float3 axis0, axis1, axis2, centre;
};

// One corner of a mesh as the mesh lists hold it and a GL back end reads it: 32 bytes,
// interleaved. Here rather than beside Mesh because the box operations read its positions.
struct Vertex {
    Float3 position;
    Float3 normal;
    TexCoord texCoord;
};
static_assert(sizeof(Vertex) == 32, "OpenGL reads vertices at a 32-byte stride");

// The smallest operations are defined here so that the per-particle and per-entity loops of the
// idle step inline them.
inline Float3 addFloat3(Float3 a, Float3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Float3 scaleFloat3(Float3 v, float s) {
    return {v.x * s, v.y * s, v.z * s};
}
inline float dotFloat3(Float3 a, Float3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float lengthFloat3(Float3 v);
// Divides by the length without a guard: a zero vector gives non-numbers.
void normaliseFloat3(Float3* v);
inline Float3 lerpFloat3(Float3 a, Float3 b, float t) {
    return {(1 - t) * a.x + t * b.x, (1 - t) * a.y + t * b.y, (1 - t) * a.z + t * b.z};
}

inline Colour setColour(Colour* c, float r, float g, float b, float a) {
    *c = {r, g, b, a};
    return *c;
}
inline Colour addColour(Colour* c, float r, float g, float b, float a) {
    *c = {c->r + r, c->g + g, c->b + b, c->a + a};
    return *c;
}
inline Colour lerpColour(Colour a, Colour b, float t) {
    return {(1 - t) * a.r + t * b.r, (1 - t) * a.g + t * b.g, (1 - t) * a.b + t * b.b,
            (1 - t) * a.a + t * b.a};
}

Quaternion quaternionFromAxisAngle(float angleDegrees, float ax, float ay, float az);
float quaternionLength(Quaternion q);
void normaliseQuaternion(Quaternion* q);
Quaternion multiplyQuaternions(Quaternion p, Quaternion q);
Quaternion lerpQuaternion(Quaternion a, Quaternion b, float t);
Matrix44 matrixFromQuaternion(Quaternion q);

Matrix44 identityMatrix();
Matrix44 translationMatrix(float x, float y, float z);
Matrix44 multiplyMatrices(Matrix44 a, Matrix44 b);
Float3 transformPoint(Matrix44 m, Float3 p);
Float3 transformVector(Matrix44 m, Float3 v);
void transposeMatrix(Matrix44* m);

// Reads only the leading position of each 32-byte Vertex. A count below 1 gives the all-zero box.
BoundingBox boundsOfVertices(const Vertex* vertices, int count);
// The general merge: the axis-aligned box around the sixteen corners of both boxes.
BoundingBox mergeBoxCorners(BoundingBox a, BoundingBox b);

// Every off-diagonal component is +0 or -0: with the sign bit cleared, all bits are zero.
inline bool isAxisAligned(const BoundingBox& b) {
    const uint32_t bits = std::bit_cast<uint32_t>(b.axis0.y) | std::bit_cast<uint32_t>(b.axis0.z) |
                          std::bit_cast<uint32_t>(b.axis1.x) | std::bit_cast<uint32_t>(b.axis1.z) |
                          std::bit_cast<uint32_t>(b.axis2.x) | std::bit_cast<uint32_t>(b.axis2.y);
    return (bits & 0x7fffffffu) == 0;
}

// The axis-aligned box enclosing both boxes. Boxes that are already axis-aligned (every world
// box after an update) have their extreme corners at centre -/+ half-extent: the same numbers
// the sixteen corners give, found without forming them. The transform update merges every
// child's box into its parent's, so this path is inline.
inline BoundingBox mergeBoxes(BoundingBox a, BoundingBox b) {
    if (!isAxisAligned(a) || !isAxisAligned(b)) return mergeBoxCorners(a, b);
    const float ax = std::fabs(a.axis0.x), ay = std::fabs(a.axis1.y), az = std::fabs(a.axis2.z);
    const float bx = std::fabs(b.axis0.x), by = std::fabs(b.axis1.y), bz = std::fabs(b.axis2.z);
    const float loX = std::min(a.centre.x - ax, b.centre.x - bx);
    const float hiX = std::max(a.centre.x + ax, b.centre.x + bx);
    const float loY = std::min(a.centre.y - ay, b.centre.y - by);
    const float hiY = std::max(a.centre.y + ay, b.centre.y + by);
    const float loZ = std::min(a.centre.z - az, b.centre.z - bz);
    const float hiZ = std::max(a.centre.z + az, b.centre.z + bz);
    return {{(hiX - loX) * 0.5f, 0, 0},
            {0, (hiY - loY) * 0.5f, 0},
            {0, 0, (hiZ - loZ) * 0.5f},
            {(hiX + loX) * 0.5f, (hiY + loY) * 0.5f, (hiZ + loZ) * 0.5f}};
}

// The lowest and highest corner of an axis-aligned box, formed exactly as mergeBoxes forms them
// (centre -/+ |half-extent|). Merging an axis-aligned box into another reads nothing else of it.
struct BoxExtremes {
    Float3 lo, hi;
};

inline BoxExtremes extremesOf(const BoundingBox& b) {
    const float x = std::fabs(b.axis0.x), y = std::fabs(b.axis1.y), z = std::fabs(b.axis2.z);
    return {{b.centre.x - x, b.centre.y - y, b.centre.z - z},
            {b.centre.x + x, b.centre.y + y, b.centre.z + z}};
}

// For an axis-aligned box and axis-aligned boxes given by their extremes: mergeBoxes(...
// mergeBoxes(mergeBoxes(box, b[0]), b[1])..., b[count - 1]) bit for bit. Once the running box is
// its own hull, a box whose extremes all lose to the running box's is passed over, since merging
// it would give the running box back; so a merge over children that mostly did not move costs a
// comparison per child.
BoundingBox mergeBoxList(BoundingBox box, const BoxExtremes* boxes, int32_t count);
BoundingBox transformBox(BoundingBox box, Matrix44 m);
