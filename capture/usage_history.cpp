#include "capture/usage_history.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint64_t MaxCount = std::numeric_limits<std::uint64_t>::max();

// Takes at most `room` of `amount` and lowers `room` by what it took.
std::uint64_t TakeRoom(std::uint64_t amount, std::uint64_t& room) {
  const std::uint64_t taken = std::min(amount, room);
  room -= taken;
  return taken;
}

} // namespace

void UsageCounts::Add(const UsageCounts& more) {
  std::uint64_t room = MaxCount - Total();
  In += TakeRoom(more.In, room);
  Out += TakeRoom(more.Out, room);
  Other += TakeRoom(more.Other, room);
}

UsageCounts SplitInterval(std::uint64_t bytes, std::uint64_t in, std::uint64_t out) {
  UsageCounts counts;
  std::uint64_t room = bytes;
  counts.In = TakeRoom(in, room);
  counts.Out = TakeRoom(out, room);
  counts.Other = room;
  return counts;
}

DayNumber UsageDayOf(const CalendarDate& date) {
  CalendarDate booked = date;
  booked.Year = std::clamp(booked.Year, 1, 9999);
  booked.Month = std::clamp(booked.Month, 1, 12);
  booked.Day = std::clamp(booked.Day, 1, DaysInMonth(booked.Year, booked.Month));
  return ToDayNumber(booked);
}

void UsageDelta::Add(DayNumber day, const UsageCounts& counts) {
  // The newest day is nearly always the one asked for.
  for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) {
    if (it->first == day) {
      it->second.Add(counts);
      return;
    }
  }
  Entries.emplace_back(day, counts);
}

void UsageHistory::Add(DayNumber day, const UsageCounts& counts) { Rows[day].Add(counts); }

void UsageHistory::Merge(const UsageDelta& delta) {
  for (const auto& [day, counts] : delta.Days())
    Add(day, counts);
}

void UsageHistory::Merge(const UsageHistory& other) {
  for (const auto& [day, counts] : other.Rows)
    Add(day, counts);
}

UsageCounts UsageHistory::Day(DayNumber day) const {
  const auto it = Rows.find(day);
  return it == Rows.end() ? UsageCounts{} : it->second;
}

UsageCounts UsageHistory::Sum(DayNumber first, DayNumber last) const {
  UsageCounts sum;
  for (auto it = Rows.lower_bound(first); it != Rows.end() && it->first <= last; ++it)
    sum.Add(it->second);
  return sum;
}

UsageCounts UsageHistory::Sum() const {
  UsageCounts sum;
  for (const auto& [day, counts] : Rows)
    sum.Add(counts);
  return sum;
}
