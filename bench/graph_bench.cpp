// Composing one graph picture (every drawing operation with its position,
// colour and text) for a 1920-pixel-wide window over a full history, against
// the default 300-pixel window and against a history of only the visible
// records: the cost follows the window, not the history.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/ratio_report.h"
#include "view/graph_composer.h"

namespace {

TrafficHistory MakeHistory(std::size_t records) {
  std::mt19937_64 rng(records);
  TrafficHistory history;
  BPSSample sample;
  sample.TopSrcHost = L"ec2-52-28-1-9.eu-central-1.compute.amazonaws.com";
  sample.TopDstHost = L"192.168.1.10";
  sample.TopSrcPort = 443;
  sample.TopDstPort = 50123;
  for (std::size_t i = 0; i < records; ++i) {
    sample.In = static_cast<std::int64_t>(rng() % 5'000'000);
    sample.Out = static_cast<std::int64_t>(rng() % 1'000'000);
    sample.Other = static_cast<std::int64_t>(rng() % 100'000);
    sample.Total = sample.In + sample.Out + sample.Other;
    sample.Average = sample.Total / 2;
    history.Append(sample);
  }
  return history;
}

const TrafficHistory& HistoryOf(std::size_t records) {
  static const TrafficHistory visible = MakeHistory(640);
  static const TrafficHistory full = MakeHistory(1'000'000);
  return records == 640 ? visible : full;
}

// Arial at height 14 is about 6 pixels a character.
int MeasureText(void*, std::wstring_view text) { return static_cast<int>(text.size()) * 6; }

// Args: records, width, hovered, gradients with in/out.
void BM_ComposeGraph(benchmark::State& state) {
  GraphInput input;
  input.History = &HistoryOf(static_cast<std::size_t>(state.range(0)));
  input.Width = static_cast<int>(state.range(1));
  input.Height = 200;
  input.Settings.AvgTime = 60;
  input.Settings.UseGradients = state.range(3) != 0;
  input.Settings.ShowInOut = state.range(3) != 0;
  input.Settings.BytesTransmitted = 123'456'789'012;
  input.Cursor = {input.Width - 30, 50, state.range(2) != 0};
  input.Measure = MeasureText;
  std::size_t ops = 0;
  for (auto _ : state) {
    GraphMemory memory;
    GraphPicture picture = ComposeGraph(input, memory);
    ops = picture.Ops.size();
    benchmark::DoNotOptimize(picture.Ops.data());
  }
  state.counters["draw_ops"] = static_cast<double>(ops);
}
BENCHMARK(BM_ComposeGraph)
    ->Args({1'000'000, 1920, 0, 0})
    ->Args({1'000'000, 1920, 1, 1})
    ->Args({1'000'000, 300, 0, 0})
    ->Args({640, 1920, 0, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {
          {"compose, 1920 px, 1,000,000 records vs 640 records", "BM_ComposeGraph/1000000/1920/0/0",
           "BM_ComposeGraph/640/1920/0/0", 0},
          {"compose, 1920 px vs 300 px, 1,000,000 records", "BM_ComposeGraph/1000000/1920/0/0",
           "BM_ComposeGraph/1000000/300/0/0", 0},
          {"compose, 1920 px, hovered with gradients and in/out vs plain", "BM_ComposeGraph/1000000/1920/1/1",
           "BM_ComposeGraph/1000000/1920/0/0", 0},
      });
}
