#pragma once
// Bytes per local calendar day, split as the samples split them: incoming,
// outgoing and the rest. The sampler thread gathers them in a UsageDelta under
// the engine's data lock; the window thread takes that delta over and keeps
// the whole history in a UsageHistory of its own.
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "capture/civil_date.h"

struct UsageCounts {
  std::uint64_t In = 0;
  std::uint64_t Out = 0;
  std::uint64_t Other = 0;

  std::uint64_t Total() const { return In + Out + Other; }
  // Adds `more`. Whatever would carry the row's total past 2^64 - 1 (16 EiB)
  // is dropped, so that Total stays the exact sum of the three.
  void Add(const UsageCounts& more);
  friend bool operator==(const UsageCounts&, const UsageCounts&) = default;
};

// An interval's bytes as its sample splits them: In and Out as counted, Other
// the rest, so that Total is exactly `bytes` (In and Out are cut down should
// they ever claim more than all).
UsageCounts SplitInterval(std::uint64_t bytes, std::uint64_t in, std::uint64_t out);

// The row a sample taken on `date` is booked on. A date the file could not
// hold (a year beyond 9999, a month 13) goes to the nearest one it can.
DayNumber UsageDayOf(const CalendarDate& date);

// What the sampler gathered since the last hand-over: normally one day, more
// around midnight or when the clock is set. Swapping two deltas keeps both
// storages, so that the sampler rarely allocates while it holds the lock.
class UsageDelta {
public:
  using Entry = std::pair<DayNumber, UsageCounts>;

  void Add(DayNumber day, const UsageCounts& counts);
  const std::vector<Entry>& Days() const { return Entries; }
  bool empty() const { return Entries.empty(); }
  void clear() { Entries.clear(); }
  void swap(UsageDelta& other) noexcept { Entries.swap(other.Entries); }

private:
  std::vector<Entry> Entries;
};

class UsageHistory {
public:
  void Add(DayNumber day, const UsageCounts& counts);
  void Merge(const UsageDelta& delta);
  void Merge(const UsageHistory& other);
  void clear() { Rows.clear(); }
  bool empty() const { return Rows.empty(); }

  // Every day with a row, in ascending order.
  const std::map<DayNumber, UsageCounts>& Days() const { return Rows; }
  UsageCounts Day(DayNumber day) const;
  // The sum over the days from `first` to `last`, both included.
  UsageCounts Sum(DayNumber first, DayNumber last) const;
  // The sum of every row.
  UsageCounts Sum() const;

private:
  std::map<DayNumber, UsageCounts> Rows;
};
