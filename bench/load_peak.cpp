// bench_load_peak: peak resident memory and wall time of loading one scene file, in a process of
// its own so that nothing else has raised the high-water mark.
//   bench_load_peak parse <scene.txt>   the GL-free parse step alone (read the file, parse it)
//   bench_load_peak load  <scene.txt>   the engine's whole start-up load under a GLUT window
//                                       (needs a display), then timed loads against the fscanf
//                                       baseline, alternately
// Memory figures are the rise of VmHWM over VmRSS just before loading, against the limit of the
// file size plus twice the mesh data the engine holds.
#include "app/engine.h"
#include "bench/fscanf_reader.h"
#include "hud/actions.h"
#include "loader/loader.h"
#include "loader/parse.h"
#include "render/gl_textures.h"

#include "bench/proc_status.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

long long fileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of the whole process (user and system): what loading costs, whatever else the
// machine is doing.
double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double mb(long long bytes) {
    return static_cast<double>(bytes) / 1e6;
}

void printPeak(const char* what, long long before, long long peak, long long file,
               long long meshBytes) {
    const long long rise = peak - before;
    const long long limit = file + 2 * meshBytes;
    std::printf("| Peak memory, %s | %.1f MB | limit %.1f MB (file %.1f + 2 x mesh %.1f) | %.3f "
                "| <= 1.0 of limit | %s |\n",
                what, mb(rise), mb(limit), mb(file), mb(meshBytes),
                static_cast<double>(rise) / static_cast<double>(limit),
                rise <= limit ? "yes" : "**no**");
}

int parseOnly(const std::string& path) {
    const long long file = fileSize(path);
    const long long before = statusBytes("VmRSS");
    std::string text;
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return 1;
        text.resize(static_cast<size_t>(file));
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
    }
    SceneDescription description;
    ParseError error = parseScene(text, &description);
    const long long peak = statusBytes("VmHWM");
    if (error.kind != ParseErrorKind::None) {
        std::fprintf(stderr, "ERROR: line %d: %s\n", error.line, error.message.c_str());
        return 1;
    }
    long long meshBytes = 0;
    for (const MeshDescription& m : description.meshes)
        meshBytes += static_cast<long long>(m.vertices.size() * sizeof(Vertex) +
                                            m.indices.size() * sizeof(uint32_t));
    printPeak("parse step", before, peak, file, meshBytes);
    return 0;
}

// A fresh set of the engine's objects, as start-up makes them, for one more timed load.
void loadIntoFreshObjects(const char* path) {
    Scene* scene = createScene();
    KeyframerList* keyframers = createList<Keyframer>();
    ForceList* forces = createRecordList<Force>();
    Resources* resources = createResources(glTextureHooks());
    static Hud hud;
    hud = Hud{};
    initHud(&hud, scene, engine::viewpoint, engine::clock, resources);
    loadScene(path, scene, keyframers, forces, &hud, resources);
}

int wholeLoad(int argc, char** argv, const std::string& path) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow(WINDOW_TITLE);
    glFinish();
    const long long file = fileSize(path);
    // initEngine reads "scene.txt" from the working folder.
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (!folder.empty() && chdir(folder.c_str()) != 0) return 1;
    const std::string name = path.substr(folder.size());
    if (name != "scene.txt") {
        std::fprintf(stderr, "ERROR: the start-up load reads 'scene.txt'\n");
        return 1;
    }
    const long long before = statusBytes("VmRSS");
    const double start = now();
    initEngine();
    const double firstLoad = now() - start;
    const long long peak = statusBytes("VmHWM");
    long long meshBytes = 0;
    for (int32_t i = 0; i < engine::resources->meshes.count; ++i) {
        const Mesh& m = engine::resources->meshes.items[i];
        meshBytes +=
            static_cast<long long>(m.vertexCount) * static_cast<long long>(sizeof(Vertex)) +
            static_cast<long long>(m.indexCount) * 4;
    }
    printPeak("whole start-up load", before, peak, file, meshBytes);

    // Alternate engine loads and baseline reads; medians of each.
    std::vector<double> loads, baselines;
    for (int round = 0; round < 3; ++round) {
        double t = cpuNow();
        loadIntoFreshObjects("scene.txt");
        loads.push_back(cpuNow() - t);
        t = cpuNow();
        bench::FscanfScene baseline;
        bench::readSceneWithFscanf("scene.txt", &baseline);
        baselines.push_back(cpuNow() - t);
    }
    auto median3 = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double load = median3(loads), base = median3(baselines);
    const double size = mb(file);
    const double ratio = base / load;
    std::printf(
        "| Whole loadScene (read, parse, apply with textures) | %.0f MB/s (%.0f ms CPU; first "
        "start-up %.0f ms wall) | %.0f MB/s (%.0f ms CPU), fscanf per line | %.3f | >= 3x and >= "
        "150 MB/s | %s |\n",
        size / load, load * 1e3, firstLoad * 1e3, size / base, base * 1e3, ratio,
        ratio >= 3 && size / load >= 150 ? "yes" : "**no**");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <parse|load> <scene.txt>\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (mode == "parse") return parseOnly(argv[2]);
    if (mode == "load") return wholeLoad(argc, argv, argv[2]);
    std::fprintf(stderr, "ERROR: unknown mode '%s'\n", mode.c_str());
    return 2;
}
