#include "bench/interleaved_runs.h"

#include <x86intrin.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

namespace zek::bench {
namespace {

using Clock = std::chrono::steady_clock;

double MedianOf(std::vector<double> v) {
    if (v.empty()) return 0;
    const size_t n = v.size();
    std::nth_element(v.begin(), v.begin() + n / 2, v.end());
    const double upper = v[n / 2];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + n / 2) + upper) / 2;
}

// The median time-stamp ticks of `calls` calls, each timed on its own.
double TimeCalls(const std::function<void()>& call, int64_t calls, std::vector<double>& scratch) {
    scratch.clear();
    for (int64_t i = 0; i < calls; ++i) {
        const uint64_t start = __rdtsc();
        call();
        scratch.push_back(static_cast<double>(__rdtsc() - start));
    }
    return MedianOf(scratch);
}

}  // namespace

void InterleavedRuns::Add(std::string name, std::function<void()> call) {
    Case c;
    c.name = std::move(name);
    c.call = std::move(call);
    cases_.push_back(std::move(c));
}

void InterleavedRuns::AddRatio(std::string label, std::string numerator, std::string denominator) {
    ratios_.push_back({std::move(label), std::move(numerator), std::move(denominator)});
}

void InterleavedRuns::Run(int repetitions, double minSeconds) {
    repetitions_ = repetitions;
    std::vector<double> scratch;
    const Clock::time_point began = Clock::now();
    const uint64_t beganTicks = __rdtsc();
    // Calls made in a row, ten times more each try until they take a
    // hundredth of a repetition, say how many fill one (and warm the case up).
    for (Case& c : cases_) {
        for (int64_t n = 1;; n *= 10) {
            const Clock::time_point start = Clock::now();
            for (int64_t i = 0; i < n; ++i) c.call();
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (seconds >= minSeconds / 100 || n >= (int64_t{1} << 40)) {
                c.calls = std::max<int64_t>(1, static_cast<int64_t>(minSeconds * static_cast<double>(n) / seconds));
                break;
            }
        }
    }
    std::vector<size_t> order(cases_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::mt19937 rng(20261210);
    for (int r = 0; r < repetitions; ++r) {
        std::shuffle(order.begin(), order.end(), rng);
        for (size_t i : order) cases_[i].ticks.push_back(TimeCalls(cases_[i].call, cases_[i].calls, scratch));
    }
    const double ticks = static_cast<double>(__rdtsc() - beganTicks);
    nanosecondsPerTick_ = ticks > 0 ? std::chrono::duration<double, std::nano>(Clock::now() - began).count() / ticks : 0;
}

double InterleavedRuns::Median(const std::string& name) const {
    for (const Case& c : cases_)
        if (c.name == name) return MedianOf(c.ticks) * nanosecondsPerTick_;
    return 0;
}

void InterleavedRuns::PrintSummary(const char* title) const {
    std::printf("\n%s\n", title);
    for (const std::string& note : notes_) std::printf("%s\n", note.c_str());
    std::printf("times: wall time of a call, median of each repetition's calls, median of %d interleaved "
                "repetitions\n", repetitions_);
    std::printf("%-44s %14s %14s %8s\n", "ratio", "numerator ns", "baseline ns", "ratio");
    for (const Ratio& r : ratios_) {
        const double n = Median(r.numerator), d = Median(r.denominator);
        if (n <= 0 || d <= 0) continue;
        std::printf("%-44s %14.0f %14.0f %8.3f\n", r.label.c_str(), n, d, n / d);
    }
    std::fflush(stdout);
}

}  // namespace zek::bench
