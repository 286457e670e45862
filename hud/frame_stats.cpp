// Frame-rate averaging for the F2 read-out, and the live particle count it shows.
#include "hud/frame_stats.h"

#include "sim/particles.h"
#include "texture/registry.h"

void countFrame(FrameStats* stats, double appSeconds) {
    if (!stats) return;
    // A time that runs backwards (the millisecond counter wrapped) starts a fresh window.
    if (!stats->started || appSeconds < stats->windowStart) {
        stats->started = 1;
        stats->windowStart = appSeconds;
        stats->windowFrames = 0;
        return;
    }
    ++stats->windowFrames;
    double elapsed = appSeconds - stats->windowStart;
    if (elapsed < FRAME_STATS_WINDOW) return;
    stats->framesPerSecond = static_cast<float>(stats->windowFrames / elapsed);
    stats->frameMs = static_cast<float>(1000.0 * elapsed / stats->windowFrames);
    stats->windowStart = appSeconds;
    stats->windowFrames = 0;
}

int32_t countLiveParticles(const Resources* resources) {
    if (!resources) return 0;
    int32_t live = 0;
    for (int32_t i = 0; i < resources->particleSystems.count; ++i) {
        const ParticleSystem* system = getParticleSystem(resources, i);
        if (!system) continue;
        for (int32_t p = 0; p < system->count; ++p) {
            if (!system->particles[p].dead) ++live;
        }
    }
    return live;
}
