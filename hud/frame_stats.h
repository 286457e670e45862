// The F2 read-out's figures: frames counted over windows of half a second of application time
// and averaged, and the count of live particles. No GL and no clock reads: callers pass the time.
#pragma once

#include <cstdint>

struct Resources;

inline constexpr double FRAME_STATS_WINDOW = 0.5; // seconds of application time

// Zero-initialised is a valid record: the first counted frame opens the first window.
struct FrameStats {
    int32_t started;
    double windowStart;    // application seconds at which the current window opened
    int32_t windowFrames;  // frames counted in the current window
    float framesPerSecond; // over the last full window; 0 until one has closed
    float frameMs;         // mean frame time over the last full window, milliseconds
};

// Counts one frame drawn at appSeconds; closes the window once half a second has passed.
void countFrame(FrameStats* stats, double appSeconds);
// Particles alive in every system of the holder.
int32_t countLiveParticles(const Resources* resources);
