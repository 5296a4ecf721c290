// Cost of accounting one packet (counters and flow table) with 10, 1,000 and
// 100,000 distinct flows per interval. Every case runs the same number of
// packets through the same amount of frame memory; only the flows differ. One
// benchmark iteration is one interval, closed as the sampler closes it (busiest
// flow, then an empty table).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/ratio_report.h"
#include "capture/packet_accounting.h"
#include "tests/support/reference_flow_table.h"
#include "tools/synthetic_frames.h"

namespace {

constexpr std::size_t PacketsPerInterval = std::size_t{1} << 18;
constexpr std::size_t FrameSlot = 64;
const std::uint8_t Local[4] = {192, 168, 1, 10};

struct Stream {
  std::vector<std::uint8_t> Frames; // PacketsPerInterval slots of FrameSlot bytes
  std::vector<std::uint32_t> Lengths;
};

// Flows between the local host and remote hosts with random ports on both
// sides, so that most flows need entries of their own; each packet picks a flow
// at random and a direction.
Stream MakeStream(std::size_t flows) {
  std::mt19937_64 rng(flows);
  struct Flow {
    std::uint8_t Remote[4];
    std::uint16_t LocalPort, RemotePort;
  };
  std::vector<Flow> table(flows);
  for (std::size_t f = 0; f < flows; ++f) {
    table[f] = {{172, static_cast<std::uint8_t>(16 + (f >> 16)), static_cast<std::uint8_t>(f >> 8),
                 static_cast<std::uint8_t>(f)},
                static_cast<std::uint16_t>(1 + rng() % 65535),
                static_cast<std::uint16_t>(1 + rng() % 65535)};
  }
  Stream stream;
  stream.Frames.assign(PacketsPerInterval * FrameSlot, 0);
  stream.Lengths.resize(PacketsPerInterval);
  for (std::size_t n = 0; n < PacketsPerInterval; ++n) {
    const Flow& flow = table[n < flows ? n : rng() % flows]; // every flow at least once
    const bool incoming = rng() % 2 == 0;
    Ipv4Frame frame;
    frame.Protocol = rng() % 3 == 0 ? 17 : 6;
    std::memcpy(frame.Src, incoming ? flow.Remote : Local, 4);
    std::memcpy(frame.Dst, incoming ? Local : flow.Remote, 4);
    frame.SrcPort = incoming ? flow.RemotePort : flow.LocalPort;
    frame.DstPort = incoming ? flow.LocalPort : flow.RemotePort;
    const std::vector<std::uint8_t> bytes = MakeIpv4Frame(frame);
    std::memcpy(&stream.Frames[n * FrameSlot], bytes.data(), bytes.size());
    stream.Lengths[n] = 60 + static_cast<std::uint32_t>(rng() % 1455);
  }
  return stream;
}

const Stream& StreamFor(std::size_t flows) {
  static std::vector<std::pair<std::size_t, Stream>> made;
  for (const auto& [count, stream] : made)
    if (count == flows) return stream;
  made.emplace_back(flows, MakeStream(flows));
  return made.back().second;
}

void BM_AccountPacket(benchmark::State& state) {
  const Stream& stream = StreamFor(static_cast<std::size_t>(state.range(0)));
  IntervalCounters counters;
  FlowTable flows;
  std::size_t entries = 0;
  for (auto _ : state) {
    for (std::size_t n = 0; n < PacketsPerInterval; ++n)
      AccountPacket(counters, flows, Local, 54, stream.Lengths[n], &stream.Frames[n * FrameSlot]);
    benchmark::DoNotOptimize(flows.Busiest());
    entries = flows.size();
    flows.Clear();
    counters = IntervalCounters();
  }
  state.counters["entries"] = static_cast<double>(entries);
  state.counters["ns_per_packet"] =
      benchmark::Counter(static_cast<double>(PacketsPerInterval),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AccountPacket)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The plain walk over every entry, for comparison (too slow to run with 100,000 flows).
void BM_PlainWalk(benchmark::State& state) {
  const Stream& stream = StreamFor(static_cast<std::size_t>(state.range(0)));
  ReferenceFlowTable entries;
  for (auto _ : state) {
    for (std::size_t n = 0; n < PacketsPerInterval; ++n) {
      const std::uint8_t* frame = &stream.Frames[n * FrameSlot];
      entries.RecordFlow(static_cast<std::uint16_t>(frame[34] << 8 | frame[35]),
                         static_cast<std::uint16_t>(frame[36] << 8 | frame[37]), frame + 26, frame + 30,
                         stream.Lengths[n]);
    }
    benchmark::DoNotOptimize(entries.Entries.data());
    std::vector<ConnectionEntry>().swap(entries.Entries);
  }
}
BENCHMARK(BM_PlainWalk)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return RunBenchmarksWithRatios(
      argc, argv,
      {
          {"accounting, 100,000 flows vs 10 flows (target <= 1.5)", "BM_AccountPacket/100000",
           "BM_AccountPacket/10", 1.5},
          {"accounting, 1,000 flows vs 10 flows (target <= 1.5)", "BM_AccountPacket/1000",
           "BM_AccountPacket/10", 1.5},
          {"plain walk, 1,000 flows vs indexed table, 1,000 flows", "BM_PlainWalk/1000",
           "BM_AccountPacket/1000", 0},
          {"plain walk, 10 flows vs indexed table, 10 flows", "BM_PlainWalk/10", "BM_AccountPacket/10", 0},
      });
}
