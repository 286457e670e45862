// Clocks in whole milliseconds (rate, truncation at every update, a reload's time absorbed, the
// clamp at zero), the free camera's limits and axes, and the window aspect kept across a resize
// to no height.
#include <gtest/gtest.h>

#include <cmath>

#include "app/clock.h"
#include "render/camera.h"
#include "render/frame.h"
#include "test_data.h"

// A reload of half a second after the second update: the clocks run on, no step carries it.
TEST(Clock, FractionsOfAMillisecondAreTruncatedAtEveryUpdateAndAReloadIsNoStep) {
    const struct { float rate; uint32_t step; int32_t simPerUpdate, simPerReload; } cases[] = {
        {1.0f, 7, 7, 500}, {0.5f, 1, 0, 250}, {0.5f, 10, 5, 250}, {-0.5f, 1, -1, -250}, {2.0f, 3, 6, 1000}};
    for (const auto& k : cases) {
        Clock* c = createClockAt(1000);
        setTimeRate(c, k.rate);
        for (uint32_t i = 1, reload = 0; i <= 5; ++i) {
            updateClockAt(c, 1000 + reload + k.step * i);
            if (i == 2) absorbClockAt(c, 1000 + (reload = 500) + k.step * i);
            EXPECT_TRUE(c->appDeltaMs == int32_t(k.step) && c->simDeltaMs == k.simPerUpdate) << "rate " << k.rate << " step " << k.step << " turn " << i;
            EXPECT_TRUE(c->simTimeMs == 1000 + k.simPerUpdate * int32_t(i) + (i >= 2) * k.simPerReload && c->appTimeMs == 1000 + reload + k.step * i);
        }
        std::free(c);
    }
}

TEST(Clock, GoingBelowZeroStopsTimeAtZeroUntilTheRateRisesAgain) {
    Clock* c = createClockAt(300);
    setTimeRate(c, -1.0f);
    updateClockAt(c, 800);
    EXPECT_TRUE(c->simTimeMs == 0 && c->timeRate == 0.0f && c->simDeltaMs == -300) << c->simTimeMs;
    updateClockAt(c, 900);
    EXPECT_EQ(c->simDeltaMs, 0);
    addTimeRate(c, 0.01f), addTimeRate(c, 0.99f);
    updateClockAt(c, 1000);
    EXPECT_EQ(c->simTimeMs, 100);
    std::free(c);
}

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
    expectFloat3(c.right, {0.5f, 0, h}, 1e-4f), expectFloat3(c.up, {-h / 2, h, 0.25f}, 1e-4f), expectFloat3(c.back, {-0.75f, -0.5f, h / 2}, 1e-4f);
}

TEST(Window, AResizeToNoHeightKeepsThePreviousAspect) {
    double aspect = 4.0 / 3.0;
    const struct { int width, height; double aspect; } resizes[] = {
        {1000, 200, 5.0}, {1000, 0, 5.0}, {0, 300, 5.0}, {300, 600, 0.5}, {-1, 5, 0.5}};
    for (const auto& r : resizes)
        EXPECT_DOUBLE_EQ(aspect = windowAspect(r.width, r.height, aspect), r.aspect) << r.width << "x" << r.height;
}
