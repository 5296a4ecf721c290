#pragma once
// The traffic history, oldest record first. Readers see records by value, so
// the storage behind them can stay compact: a record keeps its rates, its ports
// and two numbers naming host names held once for the whole history, in chunks
// of fixed size that are never moved or doubled. Instead of Total each record
// keeps the running sum of all Totals up to it, which answers every range sum
// in constant time and gives Total back as the difference of two neighbours.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "capture/bps_sample.h"

class TrafficHistory {
public:
  TrafficHistory() = default;
  TrafficHistory(const TrafficHistory& other);
  TrafficHistory& operator=(const TrafficHistory& other);
  TrafficHistory(TrafficHistory&& other) noexcept;
  TrafficHistory& operator=(TrafficHistory&& other) noexcept;
  ~TrafficHistory() = default;

  std::size_t size() const { return Count; }
  bool empty() const { return Count == 0; }
  BPSSample operator[](std::size_t index) const;
  BPSSample back() const { return (*this)[Count - 1]; }

  std::int64_t TotalAt(std::size_t index) const;
  std::int64_t AverageAt(std::size_t index) const { return RowAt(index).Average; }
  void SetAverageAt(std::size_t index, std::int64_t average) { RowAt(index).Average = average; }
  // Sum of Total over the records [first, end), in 64-bit two's complement
  // arithmetic like a plain loop of additions; constant time.
  std::int64_t SumOfTotals(std::size_t first, std::size_t end) const;

  void Append(const BPSSample& sample);
  // Empties the history and releases its storage, host names included.
  void Clear();

private:
  struct Row {
    std::uint64_t RunningTotal; // Totals of all records up to and including this one, mod 2^64
    std::int64_t Average;
    std::int64_t In;
    std::int64_t Out;
    std::int64_t Other;
    std::uint32_t SrcHost; // positions in HostNames
    std::uint32_t DstHost;
    std::uint16_t SrcPort;
    std::uint16_t DstPort;
  };
  // Rows are left uninitialised until appended, so pages of a fresh chunk stay
  // untouched (and not resident) until records reach them.
  static constexpr std::size_t ChunkShift = 12;
  static constexpr std::size_t ChunkRows = std::size_t{1} << ChunkShift;
  struct Chunk {
    Row Rows[ChunkRows];
  };

  Row& RowAt(std::size_t index) { return Chunks[index >> ChunkShift]->Rows[index & (ChunkRows - 1)]; }
  const Row& RowAt(std::size_t index) const {
    return Chunks[index >> ChunkShift]->Rows[index & (ChunkRows - 1)];
  }
  std::uint64_t RunningTotalBefore(std::size_t index) const {
    return index == 0 ? 0 : RowAt(index - 1).RunningTotal;
  }
  std::uint32_t InternHost(const std::wstring& name);

  std::vector<std::unique_ptr<Chunk>> Chunks;
  std::size_t Count = 0;
  // Every distinct host name once; HostIds finds a name's position in HostNames.
  std::unordered_map<std::wstring, std::uint32_t> HostIds;
  std::vector<const std::wstring*> HostNames;
  std::uint32_t LastSrcHost = 0, LastDstHost = 0; // busiest flows repeat: a cheap first guess
};
