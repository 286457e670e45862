// Clocks in whole milliseconds: the rate, truncation at every update, a reload's time absorbed and
// the clamp at zero.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/clock.h"

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
            const int32_t sim = 1000 + k.simPerUpdate * int32_t(i) + (i >= 2) * k.simPerReload;
            EXPECT_EQ(std::tuple(c->appDeltaMs, c->simDeltaMs, c->simTimeMs, c->appTimeMs),
                      std::tuple(int32_t(k.step), k.simPerUpdate, sim, 1000 + reload + k.step * i))
                << "rate " << k.rate << " step " << k.step << " turn " << i;
        }
        std::free(c);
    }
}

TEST(Clock, GoingBelowZeroStopsTimeAtZeroUntilTheRateRisesAgain) {
    Clock* c = createClockAt(300);
    setTimeRate(c, -1.0f);
    updateClockAt(c, 800);
    EXPECT_EQ(std::tuple(c->simTimeMs, c->timeRate, c->simDeltaMs), std::tuple(0, 0.0f, -300));
    updateClockAt(c, 900);
    EXPECT_EQ(c->simDeltaMs, 0);
    addTimeRate(c, 0.01f), addTimeRate(c, 0.99f);
    updateClockAt(c, 1000);
    EXPECT_EQ(c->simTimeMs, 100);
    std::free(c);
}
