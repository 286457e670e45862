// Application and simulation clocks. The *At functions take the current time in milliseconds.
#include "core/clock.h"

#include <cmath>

#include "core/alloc.h"

namespace {
// The single-precision 0.001, slightly above one thousandth; products are formed in double.
constexpr float MS_TO_SECONDS = 0.001f;
} // namespace

Clock* createClockAt(uint32_t nowMs) {
    auto* clock = static_cast<Clock*>(allocZeroed(1, sizeof(Clock), "the clock"));
    clock->appTimeMs = nowMs;
    clock->simTimeMs = static_cast<int32_t>(nowMs);
    clock->timeRate = 1.0f;
    return clock;
}

void updateClockAt(Clock* clock, uint32_t nowMs) {
    clock->appDeltaMs = static_cast<int32_t>(nowMs - clock->appTimeMs);
    clock->appTimeMs = nowMs;
    const int32_t old = clock->simTimeMs;
    const double x = static_cast<double>(clock->appDeltaMs) * clock->timeRate + old;
    if (x >= 0) {
        // Saturate rather than overflow when a huge rate pushes time past what an int holds;
        // a rate that is not a number leaves the time where it is.
        double whole = std::trunc(x);
        if (!(whole <= 2147483647.0)) whole = std::isnan(whole) ? old : 2147483647.0;
        clock->simTimeMs = static_cast<int32_t>(whole);
        clock->simDeltaMs = clock->simTimeMs - old;
    } else if (x < 0) {
        clock->timeRate = 0;
        clock->simTimeMs = 0;
        clock->simDeltaMs = -old;
    } else {
        clock->simDeltaMs = 0;
    }
}

void absorbClockAt(Clock* clock, uint32_t nowMs) {
    const int32_t appDeltaMs = clock->appDeltaMs;
    const int32_t simDeltaMs = clock->simDeltaMs;
    updateClockAt(clock, nowMs);
    clock->appDeltaMs = appDeltaMs;
    clock->simDeltaMs = simDeltaMs;
}

void addTimeRate(Clock* clock, float d) {
    clock->timeRate += d;
}
void setTimeRate(Clock* clock, float r) {
    clock->timeRate = r;
}

double getAppTime(const Clock* clock) {
    return static_cast<double>(clock->appTimeMs) * static_cast<double>(MS_TO_SECONDS);
}
double getSimTime(const Clock* clock) {
    return static_cast<double>(clock->simTimeMs) * static_cast<double>(MS_TO_SECONDS);
}
double getAppDelta(const Clock* clock) {
    return static_cast<double>(clock->appDeltaMs) * static_cast<double>(MS_TO_SECONDS);
}
double getSimDelta(const Clock* clock) {
    return static_cast<double>(clock->simDeltaMs) * static_cast<double>(MS_TO_SECONDS);
}
