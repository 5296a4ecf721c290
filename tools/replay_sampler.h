#pragma once
// The sampler of the program, driven by packet time stamps instead of a clock:
// sample k holds the packets with t0 + k*I <= t < t0 + (k+1)*I, t0 being the
// first packet's time stamp; intervals without packets still give a sample, and
// every sample is taken as lasting exactly I. Each sample becomes one CSV line.
#include <cstdint>
#include <string>

#include "capture/bps_sample.h"
#include "capture/flow_table.h"
#include "capture/packet_accounting.h"
#include "capture/traffic_history.h"
#include "tools/host_namer.h"
#include "tools/replay_options.h"

inline constexpr const char* ReplayCsvHeader =
    "sample,total,in,out,other,average,top_src_port,top_dst_port,top_src_host,top_dst_host\n";

class ReplaySampler {
public:
  // Appends CSV lines (without the header) to `csv`; the packets are framed as
  // `link` tells.
  ReplaySampler(const ReplayOptions& options, LinkKind link, std::string& csv);

  // A packet at `time` (nanoseconds) first needs CloseIntervals when this is
  // true; then Account counts it. A packet older than the interval being
  // filled (time stamps that go backwards) is counted in that interval.
  bool Closes(std::uint64_t time) const { return time >= IntervalEnd; }
  // Starts the first interval, or takes the samples of the intervals that end
  // at or before `time`. False when the time stamps would make more than
  // MaxSamples samples.
  bool CloseIntervals(std::uint64_t time);
  void Account(std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes) {
    AccountPacket(Counters, Flows, Setup, caplen, len, bytes);
  }
  // Emits the last, possibly partial, interval; nothing when no packet came.
  void Finish();

  std::uint64_t SampleCount() const { return Samples; }
  // A guard against time stamps of a damaged file that lie years apart.
  static constexpr std::uint64_t MaxSamples = 20'000'000;

private:
  void TakeSample();

  AccountingSetup Setup;
  std::int32_t AvgTime;
  float Factor;
  std::uint64_t IntervalNs;
  std::string& Csv;
  HostNamer Names;

  bool Started = false;
  std::uint64_t IntervalEnd = 0; // time stamp at which the current interval ends (0: before the first packet)
  std::uint64_t Samples = 0;
  IntervalCounters Counters;
  FlowTable Flows;
  TrafficHistory History;
  BPSSample Working; // keeps the busiest flow of the last interval that had one
  std::string TopSrcName, TopDstName;
};
