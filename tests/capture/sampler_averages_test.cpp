// The moving averages from the history's running sums against the formulas
// summed record by record: the sampler's window rounded up, RecomputeAverages'
// window rounded down, both divided by the real-valued window.
#include "capture/sampler_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::int64_t Sum(const std::vector<std::int64_t>& totals, std::size_t first, std::size_t end) {
  std::uint64_t sum = 0;
  for (std::size_t i = first; i < end; ++i)
    sum += static_cast<std::uint64_t>(totals[i]);
  return static_cast<std::int64_t>(sum);
}

std::int64_t Truncate(double value) { return static_cast<std::int64_t>(value); }

// Average of a new sample after the n = totals.size() stored ones.
std::int64_t ReferenceSamplerAverage(const std::vector<std::int64_t>& totals, std::int32_t avgTime,
                                     float factor) {
  const std::size_t n = totals.size();
  if (avgTime == 1 || n == 0) return 0;
  const double all = static_cast<double>(Sum(totals, 0, n));
  if (avgTime == 0) return Truncate(all / static_cast<double>(n));
  const double window = static_cast<double>(avgTime) * static_cast<double>(factor);
  if (static_cast<double>(n) < window) return Truncate(all / static_cast<double>(n));
  const auto first = static_cast<std::size_t>(Truncate(static_cast<double>(n) - window));
  return Truncate(static_cast<double>(Sum(totals, first, n)) / window);
}

std::vector<std::int64_t> ReferenceRecompute(const std::vector<std::int64_t>& totals,
                                             std::vector<std::int64_t> averages, std::int32_t avgTime,
                                             std::uint32_t intervalMs) {
  if (avgTime == 1) return averages;
  const auto seconds = static_cast<float>(intervalMs * 0.001);
  const double window = static_cast<double>(avgTime) / static_cast<double>(seconds);
  for (std::size_t i = 1; i < totals.size(); ++i) {
    if (avgTime == 0 || static_cast<double>(i) < window) {
      averages[i] = Truncate(static_cast<double>(Sum(totals, 0, i)) / static_cast<double>(i));
    } else {
      const auto k = static_cast<std::size_t>(Truncate(window));
      averages[i] = k == 0 ? 0 : Truncate(static_cast<double>(Sum(totals, i - k, i)) / window);
    }
  }
  return averages;
}

std::vector<std::int64_t> RandomTotals(std::size_t count, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::vector<std::int64_t> totals(count);
  for (std::int64_t& t : totals)
    t = rng() % 5 == 0 ? 0 : static_cast<std::int64_t>(rng() % 3'000'000'000ull);
  return totals;
}

// Intervals and averaging times whose windows are whole, fractional, below one
// sample, or fractional only through the single-precision seconds value.
const std::uint32_t Intervals[] = {1000, 1500, 300, 100, 700, 60000, 250};
const std::int32_t AvgTimes[] = {0, 1, 2, 3, 10, 60, 3600};

TEST(SamplerAverages, EqualTheWindowSummedRecordByRecord) {
  const std::vector<std::int64_t> totals = RandomTotals(400, 1);
  for (std::uint32_t interval : Intervals) {
    // Cycles that overran their interval are divided by a longer duration.
    for (std::uint32_t duration : {interval, interval * 3 + 17}) {
      const float factor = RateFactor(duration);
      for (std::int32_t avgTime : AvgTimes) {
        TrafficHistory history;
        std::vector<std::int64_t> stored;
        for (std::int64_t total : totals) {
          ASSERT_EQ(ReferenceSamplerAverage(stored, avgTime, factor),
                    SamplerAverage(history, avgTime, factor))
              << "duration " << duration << " AvgTime " << avgTime << " n " << stored.size();
          BPSSample sample;
          sample.Total = total;
          history.Append(sample);
          stored.push_back(total);
        }
      }
    }
  }
}

TEST(SamplerAverages, RecomputeEqualsTheWindowSummedRecordByRecord) {
  const std::vector<std::int64_t> totals = RandomTotals(500, 2);
  for (std::uint32_t interval : Intervals) {
    for (std::int32_t avgTime : AvgTimes) {
      TrafficHistory history;
      std::vector<std::int64_t> averages;
      for (std::size_t i = 0; i < totals.size(); ++i) {
        BPSSample sample;
        sample.Total = totals[i];
        sample.Average = -static_cast<std::int64_t>(i); // recognisable: must survive where not recomputed
        history.Append(sample);
        averages.push_back(sample.Average);
      }
      RecomputeHistoryAverages(history, avgTime, interval);
      const std::vector<std::int64_t> expected = ReferenceRecompute(totals, averages, avgTime, interval);
      for (std::size_t i = 0; i < totals.size(); ++i)
        ASSERT_EQ(expected[i], history.AverageAt(i))
            << "Interval " << interval << " AvgTime " << avgTime << " i " << i;
    }
  }
}

} // namespace
