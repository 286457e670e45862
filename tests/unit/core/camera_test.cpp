// The free camera's limits and axes, and the window aspect kept across a resize to no height.
#include <gtest/gtest.h>

#include <cmath>

#include "core/camera.h"
#include "render/frame.h"
#include "test_data.h"

TEST(Camera, PitchIsClampedYawWrapsOncePerUpdateAndTheAxesFollowBoth) {
    Camera c = createCamera();
    turnCamera(&c, 100, 0, 0);
    expectFloat3(c.back, {0, -1, 0}, 1e-4f); // pitch 90: looking straight up
    turnCamera(&c, -200, 0, 0);
    EXPECT_FLOAT_EQ(c.pitch, -90);
    for (const auto& [yaw, kept] : {std::pair{-30.f, 330.f}, {725.f, 365.f}, {360.f, 360.f}}) {
        setCameraAngles(&c, 0, yaw, 0);
        EXPECT_FLOAT_EQ(c.yaw, kept) << yaw;
    }
    // Turned 60 degrees right and 30 up: looking along (3/4, 1/2, -sqrt(3)/4), near enough with
    // the engine's pi of 3.1415.
    setCameraAngles(&c, 0, 0, 0), turnCamera(&c, 30, 60, 0);
    const float h = std::sqrt(3.0f) / 2;
    expectFloat3(c.right, {0.5f, 0, h}, 1e-4f), expectFloat3(c.up, {-h / 2, h, 0.25f}, 1e-4f),
        expectFloat3(c.back, {-0.75f, -0.5f, h / 2}, 1e-4f);
}

TEST(Window, AResizeToNoHeightKeepsThePreviousAspect) {
    double aspect = 4.0 / 3.0;
    for (const auto& [w, h, kept] :
         {std::tuple{1000, 200, 5.0}, {1000, 0, 5.0}, {0, 300, 5.0}, {300, 600, 0.5}, {-1, 5, 0.5}})
        EXPECT_DOUBLE_EQ(aspect = windowAspect(w, h, aspect), kept) << w << "x" << h;
}
