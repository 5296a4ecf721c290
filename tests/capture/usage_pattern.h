#pragma once
// Usage histories numbered 1, 2, 3 ...: history n is history n - 1 with one
// more interval booked, so that every save of a growing history has its own
// bytes and a file cut short or mixed from two saves is recognised.
#include <string>

#include "capture/usage_csv.h"
#include "capture/usage_history.h"

namespace reltest {

inline void BookPatternInterval(UsageHistory& history, long long n) {
  const auto k = static_cast<std::uint64_t>(n);
  history.Add(ToDayNumber({2026, 1, 1}) + static_cast<DayNumber>(n % 400), {k, 3 * k, 7});
}

inline UsageHistory PatternHistory(long long n) {
  UsageHistory history;
  for (long long i = 1; i <= n; ++i)
    BookPatternInterval(history, i);
  return history;
}

// True when `bytes` is exactly the file of one pattern history; its number
// (from the sum of its incoming bytes, n (n + 1) / 2) goes to `n`.
inline bool IsPatternUsageFile(const std::string& bytes, long long& n) {
  UsageHistory parsed;
  if (!ParseUsage(bytes, parsed)) return false;
  const std::uint64_t in = parsed.Sum().In;
  n = 0;
  while (static_cast<std::uint64_t>(n * (n + 1) / 2) < in)
    ++n;
  return SerializeUsage(PatternHistory(n)) == bytes;
}

} // namespace reltest
