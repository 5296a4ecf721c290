#pragma once
// Runs the registered benchmarks (repetitions interleaved at random, so a noisy
// neighbour hits every case alike) and prints, after Google Benchmark's own
// table, the ratios between cases of this one run and the budgets they keep.
#include <string>
#include <vector>

struct BenchRatio {
  std::string Label;
  std::string Numerator;   // benchmark names as Google Benchmark prints them
  std::string Denominator; // empty: Numerator against an absolute budget
  double Limit;            // largest acceptable ratio, or the budget in nanoseconds
};

int RunBenchmarksWithRatios(int argc, char** argv, const std::vector<BenchRatio>& ratios);
