// Application and simulation clocks in whole milliseconds, and the time rate that scales the
// simulation clock. Every function here takes the current time as an argument; createClock,
// updateClock and absorbClock (app/glut_clock.h) read GLUT_ELAPSED_TIME and call them. Getters
// return seconds.
#pragma once

#include <cstdint>

struct Clock {
    uint32_t appTimeMs;
    int32_t simTimeMs; // never negative
    float timeRate;    // simulation ms per application ms; may be 0 or negative
    int32_t appDeltaMs;
    int32_t simDeltaMs; // negative while time runs backwards
};

Clock* createClockAt(uint32_t nowMs);
void updateClockAt(Clock* clock, uint32_t nowMs);
// Brings the clocks to nowMs without making the time since the last update a step: the deltas
// stay the last turn's and the next update steps from nowMs. After a load or a reload, so that
// no turn steps physics, births or held keys by the time the load took.
void absorbClockAt(Clock* clock, uint32_t nowMs);

void addTimeRate(Clock* clock, float d);
void setTimeRate(Clock* clock, float r);
double getAppTime(const Clock* clock);
double getSimTime(const Clock* clock);
double getAppDelta(const Clock* clock);
double getSimDelta(const Clock* clock);
