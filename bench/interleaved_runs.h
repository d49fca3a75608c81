// A small benchmark harness with the statistics of the native suite, for
// the builds that have no Google Benchmark (the module's own Windows
// compilers): every case runs in several repetitions, in a new random order
// each round, so that a ratio's two sides share the machine's busy and quiet
// spells, and a case's figure is the median of its repetitions.
//
// Times are wall-clock, taken around every call of a case: a Windows
// thread's CPU time moves in scheduler ticks, far coarser than a call, and
// a repetition's figure is the median of its calls, so that the calls during
// which this shared machine ran something else instead do not count. The
// clock is the CPU's time-stamp counter, read in a few nanoseconds to the
// cycle (the system's clocks step by a microsecond under Wine, by 100 ns on
// Windows, a good part of a call), and turned into nanoseconds by
// std::chrono::steady_clock over the whole run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zek::bench {

class InterleavedRuns {
public:
    void Add(std::string name, std::function<void()> call);
    void AddRatio(std::string label, std::string numerator, std::string denominator);
    void AddNote(std::string note) { notes_.push_back(std::move(note)); }

    // Each case makes as many calls a repetition as fill minSeconds, found
    // once before the first round; then every round runs each case once, in
    // shuffled order.
    void Run(int repetitions, double minSeconds);
    // The median of the repetitions' nanoseconds per call; 0 for a case
    // that never ran.
    double Median(const std::string& name) const;
    void PrintSummary(const char* title) const;

private:
    struct Case {
        std::string name;
        std::function<void()> call;
        int64_t calls = 1;
        std::vector<double> ticks;  // one per repetition
    };
    struct Ratio {
        std::string label, numerator, denominator;
    };
    std::vector<Case> cases_;
    std::vector<Ratio> ratios_;
    std::vector<std::string> notes_;
    int repetitions_ = 0;
    double nanosecondsPerTick_ = 0;
};

}  // namespace zek::bench
