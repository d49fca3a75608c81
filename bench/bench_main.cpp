#include <cstdio>

#include "bench/bench_suite.h"

namespace zek::bench {

void Suite::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        // With repetitions, the median stands for the benchmark.
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type != Run::RT_Iteration && !median) continue;
        const std::string name = run.run_name.str();
        if (!median && medians_.count(name)) continue;
        if (median) medians_.insert(name);
        nanoseconds_[name] = run.GetAdjustedRealTime() *
                             benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                             benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
}

void Suite::PrintSummary() const {
    std::printf("\n");
    for (const std::string& note : notes_) std::printf("%s\n", note.c_str());
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

int main(int argc, char** argv) {
    zek::bench::Suite suite;
    zek::bench::RegisterRowActivityBenchmarks(suite);
    zek::bench::RegisterFrameFlowBenchmarks(suite);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks(&suite);
    suite.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
