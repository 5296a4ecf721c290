#include "capture/sampler_math.h"

#include <cmath>
#include <limits>

namespace {

// Every conversion back to an integer truncates toward zero. A value that does
// not fit (an interval of 0 ms read from a hand-edited file gives an infinite
// factor) saturates instead of being undefined; not-a-number gives 0.
std::int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  constexpr double limit = 9223372036854775808.0; // 2^63
  if (value >= limit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

std::int64_t Scale(std::uint64_t bytes, float factor) {
  return Truncate(static_cast<double>(static_cast<std::int64_t>(bytes)) * static_cast<double>(factor));
}

std::int64_t MeanOfAll(const TrafficHistory& history, std::size_t count) {
  return Truncate(static_cast<double>(history.SumOfTotals(0, count)) / static_cast<double>(count));
}

} // namespace

float RateFactor(std::uint32_t durationMs) {
  const float seconds = static_cast<float>(durationMs * 0.001);
  return 1 / seconds;
}

void FillRates(BPSSample& sample, const IntervalCounters& counters, float factor) {
  sample.Total = Scale(counters.Bytes, factor);
  sample.In = Scale(counters.BytesIn, factor);
  sample.Out = Scale(counters.BytesOut, factor);
  sample.Other = sample.Total - sample.Out - sample.In;
}

std::int64_t SamplerAverage(const TrafficHistory& history, std::int32_t avgTime, float factor) {
  const std::size_t n = history.size();
  if (avgTime == 1 || n == 0) return 0;
  if (avgTime == 0) return MeanOfAll(history, n);
  const double window = static_cast<double>(avgTime) * static_cast<double>(factor);
  if (static_cast<double>(n) < window) return MeanOfAll(history, n);
  // The samples summed are window rounded up; the divisor is window itself.
  // A negative AvgTime (only a hand-edited file holds one) leaves nothing to sum.
  const std::int64_t first = Truncate(static_cast<double>(n) - window);
  if (first < 0 || static_cast<std::size_t>(first) >= n) return 0;
  return Truncate(static_cast<double>(history.SumOfTotals(static_cast<std::size_t>(first), n)) / window);
}

void RecomputeHistoryAverages(TrafficHistory& history, std::int32_t avgTime, std::uint32_t intervalMs) {
  if (avgTime == 1) return;
  const float seconds = static_cast<float>(intervalMs * 0.001);
  const double window = static_cast<double>(avgTime) / static_cast<double>(seconds);
  // Here the samples summed are window rounded down (none for a window below
  // one sample or a negative AvgTime).
  const std::int64_t rounded = Truncate(window);
  const std::size_t whole = rounded > 0 ? static_cast<std::size_t>(rounded) : 0;
  for (std::size_t i = 1; i < history.size(); ++i) {
    if (avgTime == 0 || static_cast<double>(i) < window) {
      history.SetAverageAt(i, MeanOfAll(history, i));
    } else if (whole == 0 || whole > i) {
      history.SetAverageAt(i, 0);
    } else {
      history.SetAverageAt(i, Truncate(static_cast<double>(history.SumOfTotals(i - whole, i)) / window));
    }
  }
}
