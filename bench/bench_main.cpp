#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_suite.h"

namespace zek::bench {
namespace {

// Google Benchmark 1.8 replaced a run's error_occurred with skipped (which
// also covers a benchmark that skipped itself): take whichever the installed
// one has.
template <typename R>
auto Skipped(const R& run, int) -> decltype(static_cast<bool>(run.skipped)) {
    return static_cast<bool>(run.skipped);
}
template <typename R>
bool Skipped(const R& run, long) {
    return run.error_occurred;
}

}  // namespace

void Suite::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (Skipped(run, 0)) continue;
        // With repetitions, the median stands for the benchmark.
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type != Run::RT_Iteration && !median) continue;
        const std::string name = run.run_name.str();
        if (!median && medians_.count(name)) continue;
        if (median) medians_.insert(name);
        nanoseconds_[name] = run.GetAdjustedCPUTime() *
                             benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                             benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
}

void Suite::PrintSummary() const {
    std::printf("\n");
    for (const std::string& note : notes_) std::printf("%s\n", note.c_str());
    // CPU time: the time the code itself takes, stalls on memory included,
    // without the spells when this shared machine runs another process.
    std::printf("times: CPU time of the benchmark thread, median of the repetitions\n");
    std::printf("%-44s %14s %14s %8s\n", "ratio", "numerator ns", "baseline ns", "ratio");
    for (const Ratio& r : ratios_) {
        const auto n = nanoseconds_.find(r.numerator);
        if (r.denominator.empty()) {
            if (n != nanoseconds_.end()) std::printf("%-44s %14.1f\n", r.label.c_str(), n->second);
            continue;
        }
        const auto d = nanoseconds_.find(r.denominator);
        if (n == nanoseconds_.end() || d == nanoseconds_.end() || d->second <= 0) continue;
        std::printf("%-44s %14.0f %14.0f %8.3f\n", r.label.c_str(), n->second, d->second,
                    n->second / d->second);
    }
}

}  // namespace zek::bench

// Unless told otherwise, every benchmark runs in several short repetitions,
// shuffled among the others, so that a ratio's two sides share the
// machine's busy and quiet spells; the summary takes the medians.
std::vector<char*> WithDefaultRepetitions(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=9";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char minTime[] = "--benchmark_min_time=0.2" ZEK_BENCH_SECONDS;
    const auto given = [&](const char* flag) {
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
        return false;
    };
    std::vector<char*> args(argv, argv + argc);
    if (!given("--benchmark_repetitions")) {
        args.push_back(repetitions);
        args.push_back(interleave);
        if (!given("--benchmark_min_time")) args.push_back(minTime);
    }
    args.push_back(nullptr);
    return args;
}

int main(int argc, char** argv) {
    std::vector<char*> args = WithDefaultRepetitions(argc, argv);
    argc = static_cast<int>(args.size()) - 1;
    argv = args.data();
    zek::bench::Suite suite;
    zek::bench::RegisterRowActivityBenchmarks(suite);
    zek::bench::RegisterFrameFlowBenchmarks(suite);
    zek::bench::RegisterSettingsBenchmarks(suite);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks(&suite);
    suite.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
