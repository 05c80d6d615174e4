#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Console output as usual, plus each benchmark's real time per iteration in
// nanoseconds, so a run can divide our time by the alternative's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // No colour: the ratio lines are read by scripts.
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      nanoseconds_[run.benchmark_name()] =
          run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double Nanoseconds(const std::string& name) const {
    auto found = nanoseconds_.find(name);
    return found == nanoseconds_.end() ? 0.0 : found->second;
  }

 private:
  std::map<std::string, double> nanoseconds_;
};
