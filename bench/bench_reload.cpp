// bench_reload: wall time of the demo's first load (initEngine) and of reloading it as F5 does (a
// reload request acted on: read, parse, warning checks, build the new scene with its textures,
// free the old one, delete its GL textures), the median over a run of reloads, with resident
// memory before and after.
//   bench_reload [folder holding scene.txt, default demo/ of the source tree] [reloads, default 60]
// Needs a display; the engine's load messages go to /dev/null while it runs.
#include "app/engine.h"
#include "app/input.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// What the idle turn does after F5: the recorded request acted on.
void reload() {
    recordRequest(&engine::hud, Request::Reload);
    actOnRequests(&engine::state, &engine::hud,
                  [] { return static_cast<uint32_t>(glutGet(GLUT_ELAPSED_TIME)); });
}

long long residentKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long long kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::atoll(line + 6);
    }
    std::fclose(f);
    return kb;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : KRESTEL_DEMO_DIR;
    const int reloads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow(WINDOW_TITLE);
    glFinish();
    if (chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "ERROR: '%s' failed to open.\n", folder.c_str());
        return 1;
    }
    const int console = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);

    double start = now();
    initEngine();
    glFinish();
    const double firstLoad = now() - start;
    reload(); // the allocator and driver meet a reload once before memory is sampled
    const long long before = residentKb();
    std::vector<double> times;
    for (int i = 0; i < reloads; ++i) {
        start = now();
        reload();
        glFinish(); // texture uploads finished, not only queued
        times.push_back(now() - start);
    }
    const long long after = residentKb();

    std::fflush(stdout);
    dup2(console, 1);
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("| Reload of %s (%d reloads) | median %.1f ms wall (fastest %.1f, slowest %.1f); "
                "resident %lld kB before, %lld kB after | first load %.1f ms wall | - | < 50 ms | "
                "%s |\n",
                folder.c_str(), reloads, median * 1e3, times.front() * 1e3, times.back() * 1e3,
                before, after, firstLoad * 1e3, median < 0.050 ? "yes" : "**no**");
    return 0;
}
