// bench_scale: the engine's own start-up on one big scene, in a process of its own so the memory
// high-water mark is this load's: time to the load's success line, per entity, peak memory
// against the memory the loaded scene keeps, then idle turns where nothing moves and frames.
//   bench_scale <folder/scene.txt> [idle turns] [frames]        (needs a display)
// Prints one table row per figure; docs/performance.md explains them.
#include "app/engine.h"
#include "render/frame.h"
#include "render/gl_backend.h"

#include "bench/proc_status.h"

#include <GL/freeglut.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double wallNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuNow(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double mb(long long bytes) {
    return static_cast<double>(bytes) / 1e6;
}

// The parts of an idle turn after the clock and the input: what walks the scene.
void sceneTurn(float simTime, float simDelta) {
    animateScene(engine::keyframers, engine::scene, simTime);
    stepSimulation(engine::forces, engine::scene, simDelta, &engine::resources->particleSystems);
    updateTransforms(engine::scene);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder/scene.txt> [idle turns] [frames]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const int turns = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int frames = argc > 3 ? std::atoi(argv[3]) : 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double processStart = wallNow();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(0, 0);
    glutCreateWindow(WINDOW_TITLE);
    glFinish();
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (!folder.empty() && chdir(folder.c_str()) != 0) return 1;

    const long long before = statusBytes("VmRSS");
    const double wall = wallNow(), cpu = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
    initEngine(path.substr(folder.size()).c_str()); // prints the success line
    const double loadCpu = cpuNow(CLOCK_PROCESS_CPUTIME_ID) - cpu;
    const double loadWall = wallNow() - wall;
    const double sinceStart = wallNow() - processStart;
    const long long peak = statusBytes("VmHWM") - before;
    malloc_trim(0); // what the load freed goes back, so the rest is what the scene keeps
    const long long kept = statusBytes("VmRSS") - before;
    const int32_t entities = getEntityCount(engine::scene);

    std::printf("| Load of %d entities | %.3f s CPU, %.3f s wall (%.3f s from process start) | "
                "%.2f us CPU per entity | peak %.0f MB, scene keeps %.0f MB: %.2f x |\n",
                entities, loadCpu, loadWall, sinceStart, loadCpu / entities * 1e6, mb(peak),
                mb(kept), static_cast<double>(peak) / static_cast<double>(kept));

    // Idle turns in which nothing moves: the whole turn as the engine runs it, and the part
    // after the clock and the input. Timed in blocks of 100 turns, since reading a CPU clock
    // costs about as much as such a turn; the median block.
    constexpr int BLOCK = 100;
    std::vector<double> whole, scenePart;
    for (int b = 0; b < turns / BLOCK; ++b) {
        double t = cpuNow(CLOCK_THREAD_CPUTIME_ID);
        for (int i = 0; i < BLOCK; ++i) onIdle();
        whole.push_back((cpuNow(CLOCK_THREAD_CPUTIME_ID) - t) / BLOCK);
        const float simTime = static_cast<float>(getSimTime(engine::clock));
        const float simDelta = static_cast<float>(getSimDelta(engine::clock));
        t = cpuNow(CLOCK_THREAD_CPUTIME_ID);
        for (int i = 0; i < BLOCK; ++i) sceneTurn(simTime, simDelta);
        scenePart.push_back((cpuNow(CLOCK_THREAD_CPUTIME_ID) - t) / BLOCK);
    }
    std::printf("| Idle turn, nothing moving, %d entities (median of %d blocks of %d) | %.3f us "
                "whole turn | %.3f us animation, physics and transform update |\n",
                entities, turns / BLOCK, BLOCK, median(whole) * 1e6, median(scenePart) * 1e6);

    // Frames: the process's CPU time (the rasteriser's threads included) and the engine's own
    // thread, each frame finished before the clock is read.
    for (int i = 0; i < frames; ++i) {
        const double w = wallNow(), p = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
        const double own = cpuNow(CLOCK_THREAD_CPUTIME_ID);
        static FrameRecords frame;
        clearFrameRecords(&frame);
        recordFrame(&frame, engine::scene, engine::resources, glutGet(GLUT_WINDOW_WIDTH),
                    glutGet(GLUT_WINDOW_HEIGHT));
        drawFrameRecords(frame, engine::resources);
        glFinish();
        const double ownCpu = cpuNow(CLOCK_THREAD_CPUTIME_ID) - own;
        std::printf("| Frame %d, %d entities drawn | %.3f s wall, %.3f s process CPU | %.3f s "
                    "on the engine's thread: %.2f us per entity |\n",
                    i + 1, entities, wallNow() - w, cpuNow(CLOCK_PROCESS_CPUTIME_ID) - p, ownCpu,
                    ownCpu / entities * 1e6);
    }
    return 0;
}
