// Runs a benchmark program's benchmarks and prints, after the usual table,
// each of our operations as a ratio against its baseline measured in the
// same run (these machines are noisy; only ratios compare across runs).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace vsk::bench {

struct Ratio {
  const char* what;      // label printed
  const char* ours;      // benchmark name of our operation
  const char* baseline;  // benchmark name of the baseline
};

// Keeps every run's bytes per nanosecond for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second.value / 1e9;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios(const std::vector<Ratio>& ratios) const {
    std::printf("\n");
    for (const Ratio& ratio : ratios) {
      double ours = Rate(ratio.ours), base = Rate(ratio.baseline);
      if (ours > 0 && base > 0) {
        std::printf("%-32s %8.3f bytes/ns  vs %8.3f bytes/ns  -> %.2fx slower\n", ratio.what, ours, base,
                    base / ours);
      }
    }
  }

 private:
  double Rate(const char* name) const {
    auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second;
  }

  std::map<std::string, double> rates_;
};

// The whole main of a benchmark program that reports ratios.
inline int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(ratios);
  benchmark::Shutdown();
  return 0;
}

}  // namespace vsk::bench
