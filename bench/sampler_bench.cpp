// One sampler cycle (rates, moving average, busiest flow, append) against a
// history of 1,000,000 records, and recomputing every average of such a history.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/ratio_report.h"
#include "capture/flow_table.h"
#include "capture/sampler_math.h"

namespace {

// A history as a long-running program has it: random rates, a handful of
// busiest-flow host names that repeat.
TrafficHistory MakeHistory(std::size_t records) {
  std::mt19937_64 rng(records);
  const std::wstring hosts[] = {L"router.fritz.box", L"ec2-52-28-1-9.eu-central-1.compute.amazonaws.com",
                                L"192.168.1.10", L"fra16s48-in-f14.1e100.net", L"10.0.0.7 [F]"};
  TrafficHistory history;
  BPSSample sample;
  for (std::size_t i = 0; i < records; ++i) {
    sample.In = static_cast<std::int64_t>(rng() % 50'000'000);
    sample.Out = static_cast<std::int64_t>(rng() % 10'000'000);
    sample.Other = static_cast<std::int64_t>(rng() % 1'000'000);
    sample.Total = sample.In + sample.Out + sample.Other;
    sample.Average = sample.Total / 2;
    sample.TopSrcPort = static_cast<std::uint16_t>(rng());
    sample.TopDstPort = 443;
    sample.TopSrcHost = hosts[rng() % 5];
    sample.TopDstHost = hosts[rng() % 5];
    history.Append(sample);
  }
  return history;
}

TrafficHistory& HistoryOf(std::size_t records) {
  static TrafficHistory small = MakeHistory(1000);
  static TrafficHistory large = MakeHistory(1'000'000);
  return records == 1000 ? small : large;
}

// What the sampler does under the data lock once per interval, the host-name
// cache answering from memory.
void BM_SamplerCycle(benchmark::State& state) {
  // A copy per run, and a fixed number of cycles, so that the appended samples
  // do not pile up across runs and the history keeps about its nominal size.
  TrafficHistory history = HistoryOf(static_cast<std::size_t>(state.range(0)));
  const auto avgTime = static_cast<std::int32_t>(state.range(1));
  const std::size_t start = history.size();
  FlowTable flows;
  const std::uint8_t a[4] = {192, 168, 1, 10}, b[4] = {52, 28, 1, 9};
  const std::wstring names[] = {L"192.168.1.10", L"ec2-52-28-1-9.eu-central-1.compute.amazonaws.com"};
  BPSSample working;
  IntervalCounters counters;
  std::uint64_t n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    counters = {1'000'000 + n % 977, 600'000, 300'000};
    flows.RecordFlow(static_cast<std::uint16_t>(40000 + n % 20), 443, a, b, 1500);
    flows.RecordFlow(443, static_cast<std::uint16_t>(40000 + n % 20), b, a, 9000);
    ++n;
    state.ResumeTiming();

    const float factor = RateFactor(1000);
    FillRates(working, counters, factor);
    working.Average = SamplerAverage(history, avgTime, factor);
    if (const ConnectionEntry* busiest = flows.Busiest()) {
      working.TopDstHost = names[busiest->DstAddress[0] == 52];
      working.TopSrcHost = names[busiest->SrcAddress[0] == 52];
      working.TopSrcPort = busiest->SrcPort;
      working.TopDstPort = busiest->DstPort;
    }
    history.Append(working);
    counters = IntervalCounters();
    flows.Clear();
  }
  benchmark::DoNotOptimize(history.back().Average);
  state.counters["records"] = static_cast<double>(start);
}
BENCHMARK(BM_SamplerCycle)
    ->Args({1000, 0})
    ->Args({1'000'000, 0})
    ->Args({1000, 3600})
    ->Args({1'000'000, 3600})
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

void BM_RecomputeAverages(benchmark::State& state) {
  TrafficHistory history = MakeHistory(1'000'000);
  const auto avgTime = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state)
    RecomputeHistoryAverages(history, avgTime, 1000);
  benchmark::DoNotOptimize(history.AverageAt(999'999));
}
BENCHMARK(BM_RecomputeAverages)->Arg(0)->Arg(3600)->Arg(60)->Unit(benchmark::kMillisecond);

// The same average summed record by record, as the sampler did before the
// history kept running sums (for comparison only).
void BM_PlainSumAverage(benchmark::State& state) {
  const TrafficHistory& history = HistoryOf(1'000'000);
  for (auto _ : state) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < history.size(); ++i)
      sum += history.TotalAt(i);
    benchmark::DoNotOptimize(sum / static_cast<std::int64_t>(history.size()));
  }
}
BENCHMARK(BM_PlainSumAverage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {
          {"sampler cycle, 1,000,000 records, AvgTime 0 (budget 50 us)",
           "BM_SamplerCycle/1000000/0/iterations:2000", "", 50'000},
          {"sampler cycle, 1,000,000 records, AvgTime 3600 (budget 50 us)",
           "BM_SamplerCycle/1000000/3600/iterations:2000", "", 50'000},
          {"sampler cycle, 1,000,000 vs 1,000 records, AvgTime 0",
           "BM_SamplerCycle/1000000/0/iterations:2000", "BM_SamplerCycle/1000/0/iterations:2000", 0},
          {"sampler cycle, 1,000,000 vs 1,000 records, AvgTime 3600",
           "BM_SamplerCycle/1000000/3600/iterations:2000", "BM_SamplerCycle/1000/3600/iterations:2000", 0},
          {"RecomputeAverages, 1,000,000 records, AvgTime 0 (budget 200 ms)", "BM_RecomputeAverages/0", "",
           200e6},
          {"RecomputeAverages, 1,000,000 records, AvgTime 3600 (budget 200 ms)", "BM_RecomputeAverages/3600",
           "", 200e6},
          {"summing 1,000,000 Totals per sample vs whole sampler cycle", "BM_PlainSumAverage",
           "BM_SamplerCycle/1000000/0/iterations:2000", 0},
      });
}
