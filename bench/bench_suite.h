// Collects the times of a benchmark run and prints, after it, the ratios
// that tell whether the code is as fast as its baseline.
#pragma once
#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zek::bench {

class Suite : public benchmark::ConsoleReporter {
public:
    void AddRatio(std::string label, std::string numerator, std::string denominator) {
        ratios_.push_back({std::move(label), std::move(numerator), std::move(denominator)});
    }
    // A line printed above the ratios.
    void AddNote(std::string note) { notes_.push_back(std::move(note)); }
    // A time printed on its own, without a baseline.
    void AddTime(std::string label, std::string name) { ratios_.push_back({std::move(label), std::move(name), ""}); }
    void ReportRuns(const std::vector<Run>& runs) override;
    void PrintSummary() const;

private:
    struct Ratio {
        std::string label, numerator, denominator;
    };
    std::vector<Ratio> ratios_;
    std::vector<std::string> notes_;
    std::map<std::string, double> nanoseconds_;
    std::set<std::string> medians_;
};

void RegisterRowActivityBenchmarks(Suite& suite);
void RegisterFrameFlowBenchmarks(Suite& suite);
void RegisterSettingsBenchmarks(Suite& suite);

}  // namespace zek::bench
