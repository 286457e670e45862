// bench_load: throughput of the scene parser on a large generated scene file, against a
// baseline that reads the same file with one fscanf per template line, in the same run.
//   bench_load --scene=<path to scene.txt> [Google Benchmark flags]
// Without --scene a 50 MB "load" scene is generated into a temporary folder first.
#include "bench/fscanf_reader.h"
#include "bench/report.h"
#include "bench/scenes.h"
#include "loader/parse.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string scenePath;
std::string sceneInMemory;

std::string readFile(const std::string& path) {
    std::string text;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    struct stat info {};
    if (fstat(fileno(f), &info) == 0) {
        text.resize(static_cast<size_t>(info.st_size));
        text.resize(std::fread(text.data(), 1, text.size(), f));
    }
    std::fclose(f);
    return text;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sceneInMemory.size()));
}

// The parser on text already in memory: the loader's GL-free step alone.
void Load_Parse(benchmark::State& state) {
    for (auto _ : state) {
        SceneDescription description;
        ParseError error = parseScene(sceneInMemory, &description);
        if (error.kind != ParseErrorKind::None) state.SkipWithError(error.message.c_str());
        benchmark::DoNotOptimize(description.meshes.data());
    }
    setBytes(state);
}

// Reading the file and parsing it: what the loader does before it touches GL.
void Load_ReadAndParse(benchmark::State& state) {
    for (auto _ : state) {
        std::string text = readFile(scenePath);
        SceneDescription description;
        ParseError error = parseScene(text, &description);
        if (error.kind != ParseErrorKind::None) state.SkipWithError(error.message.c_str());
        benchmark::DoNotOptimize(description.meshes.data());
    }
    setBytes(state);
}

void Load_FscanfBaseline(benchmark::State& state) {
    for (auto _ : state) {
        bench::FscanfScene scene;
        if (!bench::readSceneWithFscanf(scenePath.c_str(), &scene))
            state.SkipWithError("the fscanf baseline could not read the scene");
        benchmark::DoNotOptimize(scene.meshes.data());
    }
    setBytes(state);
}

bool prepareScene(int* argc, char** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp(argv[i], "--scene=", 8) == 0) {
            scenePath = argv[i] + 8;
            for (int j = i; j + 1 < *argc; ++j) argv[j] = argv[j + 1];
            --*argc;
            break;
        }
    }
    if (scenePath.empty()) {
        char folder[] = "/tmp/krestel-bench-load-XXXXXX";
        if (!mkdtemp(folder)) return false;
        bench::BenchScene scene;
        bench::makeBenchScene("load", 50, &scene);
        if (!bench::writeBenchScene(scene, folder)) return false;
        scenePath = std::string(folder) + "/scene.txt";
    }
    sceneInMemory = readFile(scenePath);
    return !sceneInMemory.empty();
}

} // namespace

int main(int argc, char** argv) {
    if (!prepareScene(&argc, argv)) {
        std::fprintf(stderr, "ERROR: no scene to read ('%s')\n", scenePath.c_str());
        return 1;
    }
    // Each program is registered once; repetitions of the three are interleaved at random so
    // that a noisy neighbour affects them alike.
    for (auto* fn : {&Load_Parse, &Load_ReadAndParse, &Load_FscanfBaseline}) {
        const char* name = fn == &Load_Parse          ? "Load_Parse"
                           : fn == &Load_ReadAndParse ? "Load_ReadAndParse"
                                                      : "Load_FscanfBaseline";
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(5)
            ->ReportAggregatesOnly(false);
    }
    benchmark::Initialize(&argc, argv);
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double megabytes = static_cast<double>(sceneInMemory.size()) / 1e6;
    // CPU time of the benchmark thread (user and system, so reading the file counts): a busy
    // shared machine stretches wall time by whatever else runs.
    const double parse = bench::medianSeconds(reporter, "Load_Parse", true);
    const double readParse = bench::medianSeconds(reporter, "Load_ReadAndParse", true);
    const double fscanf = bench::medianSeconds(reporter, "Load_FscanfBaseline", true);
    if (parse <= 0 || readParse <= 0 || fscanf <= 0) return 0; // filtered out
    std::printf("\nScene file: %s, %.1f MB\n", scenePath.c_str(), megabytes);
    bench::printTableHeader();
    const std::string base = bench::format("%.0f MB/s", megabytes / fscanf) +
                             bench::format(" (%.0f ms CPU), fscanf per line", fscanf * 1e3);
    bench::printRow("Parse, text in memory",
                    bench::format("%.0f MB/s", megabytes / parse) +
                        bench::format(" (%.0f ms CPU)", parse * 1e3),
                    base, fscanf / parse, ">= 3x and >= 150 MB/s",
                    fscanf / parse >= 3 && megabytes / parse >= 150);
    bench::printRow("Read file and parse",
                    bench::format("%.0f MB/s", megabytes / readParse) +
                        bench::format(" (%.0f ms CPU)", readParse * 1e3),
                    base, fscanf / readParse, ">= 3x and >= 150 MB/s",
                    fscanf / readParse >= 3 && megabytes / readParse >= 150);
    return 0;
}
