// The free camera: pitch clamp, one yaw wrap per update, axes and view matrices.
#include <gtest/gtest.h>

#include "test_data.h"

#include "core/math.h"
#include "render/camera.h"

TEST(Camera, StartsAtTheOriginLookingDownMinusZ) {
    Camera c = createCamera();
    expectFloat3(c.right, {1, 0, 0});
    expectFloat3(c.up, {0, 1, 0});
    expectFloat3(c.back, {0, 0, 1});
}

TEST(Camera, PitchIsClampedAndYawWrapsOncePerUpdate) {
    Camera c = createCamera();
    turnCamera(&c, 100, 0, 0);
    EXPECT_FLOAT_EQ(c.pitch, 90);
    expectFloat3(c.back, {0, -1, 0}, 1e-4f); // looking straight up
    turnCamera(&c, -200, 0, 0);
    EXPECT_FLOAT_EQ(c.pitch, -90);
    setCameraAngles(&c, 0, -30, 0);
    EXPECT_FLOAT_EQ(c.yaw, 330);
    setCameraAngles(&c, 0, 725, 0);
    EXPECT_FLOAT_EQ(c.yaw, 365);
    setCameraAngles(&c, 0, 360, 0);
    EXPECT_FLOAT_EQ(c.yaw, 360);
}

TEST(Camera, YawNinetyLooksAlongPlusXAndAxesAreRightHanded) {
    Camera c = createCamera();
    setCameraAngles(&c, 20, 90, 0);
    // Looking along -back.
    EXPECT_GT(-c.back.x, 0.9f);
    const Float3 cross = {c.right.y * c.up.z - c.right.z * c.up.y,
                          c.right.z * c.up.x - c.right.x * c.up.z,
                          c.right.x * c.up.y - c.right.y * c.up.x};
    expectFloat3(cross, c.back, 1e-5f);
    EXPECT_NEAR(dotFloat3(c.right, c.up), 0, 1e-6f);
}

TEST(Camera, MovesAlongItsOwnAxesAndViewUndoesThePosition) {
    Camera c = createCamera();
    moveCamera(&c, 0, 0, -1);
    expectFloat3(c.position, {0, 0, -1});
    setCameraAngles(&c, 0, 90, 0);
    moveCamera(&c, 0, 0, -2); // forwards is now +x
    expectFloat3(c.position, {2, 0, -1}, 1e-3f);
    setCameraAngles(&c, 0, 0, 0);
    const Matrix44 v = viewMatrix(&c);
    EXPECT_NEAR(v.m[3], -c.position.x, 1e-6f);
    EXPECT_NEAR(v.m[7], -c.position.y, 1e-6f);
    EXPECT_NEAR(v.m[11], -c.position.z, 1e-6f);
    EXPECT_FLOAT_EQ(v.m[0], 1);
    EXPECT_FLOAT_EQ(v.m[5], 1);
}

TEST(Camera, ViewFromWorldMatrixInvertsARigidTransform) {
    const Matrix44 world = multiplyMatrices(
        translationMatrix(3, -2, 7), matrixFromQuaternion(quaternionFromAxisAngle(40, 1, 2, 3)));
    const Matrix44 view = viewFromWorldMatrix(world);
    const Matrix44 product = multiplyMatrices(view, world);
    const Matrix44 identity = identityMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], identity.m[i], 1e-5f) << i;
    // The camera's own origin maps to the eye.
    expectFloat3(transformPoint(view, {3, -2, 7}), {0, 0, 0}, 1e-5f);
}
