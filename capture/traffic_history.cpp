#include "capture/traffic_history.h"

#include <utility>

TrafficHistory::TrafficHistory(const TrafficHistory& other) {
  for (std::size_t i = 0; i < other.Count; ++i)
    Append(other[i]);
}

TrafficHistory& TrafficHistory::operator=(const TrafficHistory& other) {
  if (this != &other) {
    TrafficHistory copy(other);
    *this = std::move(copy);
  }
  return *this;
}

// The host-name positions point into HostIds' nodes, which a move hands over
// unchanged, so the pointers stay valid.
TrafficHistory::TrafficHistory(TrafficHistory&& other) noexcept
    : Chunks(std::move(other.Chunks)), Count(std::exchange(other.Count, 0)),
      HostIds(std::move(other.HostIds)), HostNames(std::move(other.HostNames)),
      LastSrcHost(std::exchange(other.LastSrcHost, 0)), LastDstHost(std::exchange(other.LastDstHost, 0)) {
  other.Clear();
}

TrafficHistory& TrafficHistory::operator=(TrafficHistory&& other) noexcept {
  if (this != &other) {
    Chunks = std::move(other.Chunks);
    Count = std::exchange(other.Count, 0);
    HostIds = std::move(other.HostIds);
    HostNames = std::move(other.HostNames);
    LastSrcHost = std::exchange(other.LastSrcHost, 0);
    LastDstHost = std::exchange(other.LastDstHost, 0);
    other.Clear();
  }
  return *this;
}

BPSSample TrafficHistory::operator[](std::size_t index) const {
  const Row& row = RowAt(index);
  BPSSample sample;
  sample.Total = TotalAt(index);
  sample.Average = row.Average;
  sample.In = row.In;
  sample.Out = row.Out;
  sample.Other = row.Other;
  sample.TopSrcPort = row.SrcPort;
  sample.TopDstPort = row.DstPort;
  sample.TopSrcHost = *HostNames[row.SrcHost];
  sample.TopDstHost = *HostNames[row.DstHost];
  return sample;
}

std::int64_t TrafficHistory::TotalAt(std::size_t index) const {
  return static_cast<std::int64_t>(RowAt(index).RunningTotal - RunningTotalBefore(index));
}

std::int64_t TrafficHistory::SumOfTotals(std::size_t first, std::size_t end) const {
  if (end <= first) return 0;
  return static_cast<std::int64_t>(RunningTotalBefore(end) - RunningTotalBefore(first));
}

std::uint32_t TrafficHistory::InternHost(const std::wstring& name) {
  if (HostNames.empty()) {
    // Position 0 is the empty name, which every record before the first flow has.
    auto [it, inserted] = HostIds.emplace(std::wstring(), 0u);
    HostNames.push_back(&it->first);
  }
  if (*HostNames[LastSrcHost] == name) return LastSrcHost;
  if (*HostNames[LastDstHost] == name) return LastDstHost;
  auto [it, inserted] = HostIds.emplace(name, static_cast<std::uint32_t>(HostNames.size()));
  if (inserted) HostNames.push_back(&it->first);
  return it->second;
}

void TrafficHistory::Append(const BPSSample& sample) {
  if ((Count & (ChunkRows - 1)) == 0 && (Count >> ChunkShift) == Chunks.size())
    Chunks.push_back(std::unique_ptr<Chunk>(new Chunk));
  const std::uint32_t srcHost = InternHost(sample.TopSrcHost);
  const std::uint32_t dstHost = InternHost(sample.TopDstHost);
  LastSrcHost = srcHost;
  LastDstHost = dstHost;

  Row& row = RowAt(Count);
  row.RunningTotal = RunningTotalBefore(Count) + static_cast<std::uint64_t>(sample.Total);
  row.Average = sample.Average;
  row.In = sample.In;
  row.Out = sample.Out;
  row.Other = sample.Other;
  row.SrcHost = srcHost;
  row.DstHost = dstHost;
  row.SrcPort = sample.TopSrcPort;
  row.DstPort = sample.TopDstPort;
  ++Count;
}

void TrafficHistory::Clear() {
  std::vector<std::unique_ptr<Chunk>>().swap(Chunks);
  Count = 0;
  std::unordered_map<std::wstring, std::uint32_t>().swap(HostIds);
  std::vector<const std::wstring*>().swap(HostNames);
  LastSrcHost = LastDstHost = 0;
}
