#include "bench/ratio_report.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

double Nanoseconds(const benchmark::BenchmarkReporter::Run& run) {
  double time = run.GetAdjustedCPUTime();
  switch (run.time_unit) {
  case benchmark::kNanosecond: return time;
  case benchmark::kMicrosecond: return time * 1e3;
  case benchmark::kMillisecond: return time * 1e6;
  case benchmark::kSecond: return time * 1e9;
  }
  return time;
}

// Keeps the median CPU time of every case (or of its single run) while printing
// as usual. CPU time, because the machine is shared: wall time also counts the
// moments other processes had the core.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> Times;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        Times[name] = Nanoseconds(run);
      else if (run.run_type == Run::RT_Iteration && Times.count(name) == 0)
        Times[name] = Nanoseconds(run);
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string Duration(double ns) {
  char text[64];
  if (ns >= 1e6)
    std::snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
  else if (ns >= 1e3)
    std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
  else
    std::snprintf(text, sizeof text, "%.2f ns", ns);
  return text;
}

} // namespace

int RunBenchmarksWithRatios(int argc, char** argv, const std::vector<BenchRatio>& ratios) {
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  std::string repetitions = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  bool repetitionsGiven = false;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0) repetitionsGiven = true;
  args.insert(args.begin() + 1, interleave.data());
  if (!repetitionsGiven) {
    args.insert(args.begin() + 1, repetitions.data());
    args.insert(args.begin() + 1, aggregates.data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-68s %12s %12s %9s %8s\n", "ratio (median CPU times of this run)", "measured", "against",
              "ratio", "target");
  bool allMet = true;
  for (const BenchRatio& ratio : ratios) {
    auto numerator = reporter.Times.find(ratio.Numerator);
    auto denominator = reporter.Times.find(ratio.Denominator);
    if (numerator == reporter.Times.end() ||
        (!ratio.Denominator.empty() && denominator == reporter.Times.end())) {
      std::printf("%-68s (not run)\n", ratio.Label.c_str());
      if (ratio.Limit > 0) allMet = false;
      continue;
    }
    const double against = ratio.Denominator.empty() ? ratio.Limit : denominator->second;
    const double value = numerator->second / against;
    bool met = true; // a limit of 0 only shows the ratio
    if (ratio.Limit > 0)
      met = ratio.Denominator.empty() ? numerator->second <= ratio.Limit : value <= ratio.Limit;
    allMet = allMet && met;
    std::printf("%-68s %12s %12s %8.3fx %s\n", ratio.Label.c_str(), Duration(numerator->second).c_str(),
                Duration(against).c_str(), value,
                ratio.Limit > 0 ? (met ? (ratio.Denominator.empty() ? "budget met" : "met") : "MISSED")
                                : "(shown)");
  }
  std::printf("%s\n", allMet ? "all targets met" : "SOME TARGETS MISSED");
  return allMet ? 0 : 1;
}
