// Shared by the benchmark programs: a reporter that keeps the time of every repetition (so a
// program can compare medians measured in the same run), and the one table format every
// program prints its figures in. Times are seconds per iteration.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct Collected {
    std::vector<double> seconds;    // wall (or manual) time per iteration, one per repetition
    std::vector<double> cpuSeconds; // CPU time of the benchmark thread per iteration
    std::map<std::string, std::vector<double>> counters; // one value per repetition
};

class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, Collected> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            Collected& c = results[run.run_name.function_name];
            c.seconds.push_back(run.real_accumulated_time / static_cast<double>(run.iterations));
            c.cpuSeconds.push_back(run.cpu_accumulated_time / static_cast<double>(run.iterations));
            for (const auto& [name, counter] : run.counters) c.counters[name].push_back(counter);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Median time per iteration: wall (or manual) time, or with `cpu` the thread's CPU time, which
// a busy shared machine disturbs less.
inline double medianSeconds(const CollectingReporter& r, const std::string& name,
                            bool cpu = false) {
    auto it = r.results.find(name);
    if (it == r.results.end()) return 0;
    return median(cpu ? it->second.cpuSeconds : it->second.seconds);
}

inline double medianCounter(const CollectingReporter& r, const std::string& name,
                            const std::string& counter) {
    auto it = r.results.find(name);
    if (it == r.results.end()) return 0;
    auto c = it->second.counters.find(counter);
    return c == it->second.counters.end() ? 0 : median(c->second);
}

// One row of the results table: the figure, the engine's value, the baseline's value, their
// ratio, the target and whether it is met.
inline void printTableHeader() {
    std::printf("\n| Figure | Engine | Baseline (same run) | Ratio | Target | Met |\n");
    std::printf("|---|---|---|---|---|---|\n");
}

inline void printRow(const std::string& figure, const std::string& engine,
                     const std::string& baseline, double ratio, const std::string& target,
                     bool met) {
    std::printf("| %s | %s | %s | %.3f | %s | %s |\n", figure.c_str(), engine.c_str(),
                baseline.c_str(), ratio, target.c_str(), met ? "yes" : "**no**");
    std::fflush(stdout);
}

inline std::string format(const char* fmt, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, fmt, value);
    return buffer;
}

} // namespace bench
