// Clocks in whole milliseconds: the rate, truncation at every update and the clamp at zero.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "app/clock.h"

TEST(Clock, RateOneKeepsBothTimesEqual) {
    Clock* c = createClockAt(1234);
    for (uint32_t t = 1240; t < 3000; t += 7) {
        updateClockAt(c, t);
        EXPECT_EQ(c->simTimeMs, static_cast<int32_t>(c->appTimeMs));
    }
}

TEST(Clock, FractionsOfAMillisecondAreTruncatedAtEveryUpdate) {
    struct Case {
        float rate;
        uint32_t step;
        int32_t simPerUpdate;
    } cases[] = {{0.5f, 1, 0}, {0.5f, 10, 5}, {-0.5f, 1, -1}, {2.0f, 3, 6}};
    for (const Case& k : cases) {
        Clock* c = createClockAt(1000);
        setTimeRate(c, k.rate);
        for (int i = 1; i <= 5; ++i) {
            updateClockAt(c, 1000 + k.step * i);
            EXPECT_EQ(c->simDeltaMs, k.simPerUpdate) << "rate " << k.rate << " step " << k.step;
            EXPECT_EQ(c->simTimeMs, 1000 + k.simPerUpdate * i);
        }
    }
}

TEST(Clock, GoingBelowZeroStopsTimeAtZero) {
    Clock* c = createClockAt(300);
    setTimeRate(c, -1.0f);
    updateClockAt(c, 800);
    EXPECT_EQ(c->simTimeMs, 0);
    EXPECT_FLOAT_EQ(c->timeRate, 0);
    EXPECT_EQ(c->simDeltaMs, -300);
    EXPECT_DOUBLE_EQ(getSimDelta(c), -300 * static_cast<double>(0.001f));
    updateClockAt(c, 900);
    EXPECT_EQ(c->simDeltaMs, 0);
    // Raising the rate again restarts from where time stood.
    addTimeRate(c, 0.01f);
    addTimeRate(c, 0.99f);
    updateClockAt(c, 1000);
    EXPECT_EQ(c->simTimeMs, 100);
}

TEST(Clock, SecondsUseTheSinglePrecisionFactor) {
    Clock* c = createClockAt(1005);
    EXPECT_DOUBLE_EQ(getAppTime(c), 1005 * 0.0010000000474974513);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", getSimTime(c));
    EXPECT_STREQ(text, "1.01"); // and not 1.00
    updateClockAt(c, 1021);
    EXPECT_DOUBLE_EQ(getAppDelta(c), 16 * 0.0010000000474974513);
}

TEST(Clock, HugeOrInvalidRatesNeitherOverflowNorCorruptTime) {
    Clock* c = createClockAt(1000);
    setTimeRate(c, 1e30f);
    updateClockAt(c, 2000);
    EXPECT_EQ(c->simTimeMs, 2147483647);
    EXPECT_GE(c->simDeltaMs, 0);
    Clock* n = createClockAt(1000);
    setTimeRate(n, std::numeric_limits<float>::quiet_NaN());
    updateClockAt(n, 2000);
    EXPECT_EQ(n->simTimeMs, 1000);
    EXPECT_EQ(n->simDeltaMs, 0);
}
