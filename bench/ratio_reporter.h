// The summary every benchmark program here prints after Google Benchmark's table: times as ratios
// to a baseline measured in the same run, so that figures from a busy or a different machine can
// still be compared. Times are processor time per iteration (on a shared machine wall time
// measures the neighbours), and with --benchmark_repetitions the fastest repetition counts: the
// slower ones measure the neighbours too.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Prints the summary once every benchmark has run.
    using Summary = std::function<void(const RatioReporter&)>;

    explicit RatioReporter(Summary summary) : m_summary(std::move(summary)) {}

    // The benchmark's time, or null when it did not run (filtered out, skipped or failed).
    const double* Time(std::string_view name) const {
        const auto it = m_times.find(std::string(name));
        return it == m_times.end() ? nullptr : &it->second;
    }

    // Names of the benchmarks that ran, in order, from those starting with prefix.
    std::vector<std::string> Names(std::string_view prefix = {}) const {
        std::vector<std::string> names;
        for (const auto& [name, time] : m_times)
            if (name.compare(0, prefix.size(), prefix) == 0)
                names.push_back(name);
        return names;
    }

    // A heading, then "  name  ratio" for every benchmark starting with prefix (the baseline
    // itself left out): its time divided by the baseline's. Nothing when the baseline did not run.
    void PrintRatios(std::string_view heading, std::string_view baseline, std::string_view prefix = {}) const {
        const double* base = Time(baseline);
        if (!base)
            return;
        std::printf("\n%.*s\n", static_cast<int>(heading.size()), heading.data());
        for (const std::string& name : Names(prefix))
            if (name != baseline)
                std::printf("  %-36s %7.3fx\n", name.c_str(), *Time(name) / *base);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double time = run.GetAdjustedCPUTime();
            const auto [it, added] = m_times.emplace(run.run_name.function_name, time);
            if (!added)
                it->second = std::min(it->second, time);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        m_summary(*this);
        std::fflush(stdout);
    }

private:
    Summary m_summary;
    std::map<std::string, double> m_times;
};

// The main() of a benchmark program whose benchmarks are registered already: runs them with the
// command line's options and prints the summary.
inline int RunWithSummary(int argc, char** argv, RatioReporter::Summary summary) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(std::move(summary));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
