// Rates and moving averages of the sampler, and their recomputation for a new
// averaging time, checked number by number.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "capture/sampler_math.h"

namespace {

TrafficHistory HistoryOf(const std::vector<std::int64_t>& totals) {
  TrafficHistory history;
  for (std::int64_t total : totals) {
    BPSSample sample;
    sample.Total = total;
    history.Append(sample);
  }
  return history;
}

// Totals 1, 2, 3, ... n.
TrafficHistory Ramp(int n) {
  std::vector<std::int64_t> totals;
  for (int i = 1; i <= n; ++i)
    totals.push_back(i);
  return HistoryOf(totals);
}

TEST(SamplerRates, BytesOfTheIntervalPerNominalSecond) {
  IntervalCounters counters{3000, 1000, 500};
  BPSSample sample;
  FillRates(sample, counters, RateFactor(1000));
  EXPECT_EQ(sample.Total, 3000);
  EXPECT_EQ(sample.In, 1000);
  EXPECT_EQ(sample.Out, 500);
  EXPECT_EQ(sample.Other, 1500);

  FillRates(sample, counters, RateFactor(500));
  EXPECT_EQ(sample.Total, 6000);
  // A slow cycle of 3 s divides by 3 s; 1000 / 3 truncates.
  FillRates(sample, IntervalCounters{3000, 1000, 0}, RateFactor(3000));
  EXPECT_EQ(sample.Total, 1000);
  EXPECT_EQ(sample.In, 333);
  EXPECT_EQ(sample.Other, 667);
}

TEST(SamplerRates, AZeroIntervalGivesNoUndefinedArithmetic) {
  BPSSample sample;
  FillRates(sample, IntervalCounters{0, 0, 0}, RateFactor(0));
  EXPECT_EQ(sample.Total, 0);
  FillRates(sample, IntervalCounters{10, 0, 0}, RateFactor(0));
  EXPECT_EQ(sample.Total, std::numeric_limits<std::int64_t>::max());
}

TEST(SamplerAverage, FirstSampleAndAvgTimeOneHaveNoAverage) {
  EXPECT_EQ(SamplerAverage(TrafficHistory{}, 60, RateFactor(1000)), 0);
  EXPECT_EQ(SamplerAverage(TrafficHistory{}, 0, RateFactor(1000)), 0);
  EXPECT_EQ(SamplerAverage(Ramp(10), 1, RateFactor(1000)), 0);
}

TEST(SamplerAverage, AvgTimeZeroAveragesTheWholeHistory) {
  EXPECT_EQ(SamplerAverage(HistoryOf({10, 20, 40}), 0, RateFactor(1000)), 23);
  EXPECT_EQ(SamplerAverage(Ramp(1000), 0, RateFactor(250)), 500); // 500.5 truncated
}

TEST(SamplerAverage, OneSecondIntervalOverSixtySeconds) {
  const float factor = RateFactor(1000);
  // n = 59: fewer samples than the window, the mean of all 59.
  EXPECT_EQ(SamplerAverage(Ramp(59), 60, factor), 30);
  // n = 60: the mean of the 60 before it.
  EXPECT_EQ(SamplerAverage(Ramp(60), 60, factor), 30); // 30.5
  // n = 61: samples 2..61.
  EXPECT_EQ(SamplerAverage(Ramp(61), 60, factor), 31); // 31.5
  EXPECT_EQ(SamplerAverage(HistoryOf(std::vector<std::int64_t>(100, 7)), 60, factor), 7);
}

TEST(SamplerAverage, FractionalWindowSumsRoundedUpAndRecomputeRoundedDown) {
  // Interval 1500, AvgTime 10: the window is 6.67 samples.
  TrafficHistory history = HistoryOf({0, 0, 0, 601, 601, 601, 601, 601, 601, 601});
  // Sampler: the last 7 samples (4207) / 6.67 = 631.05.
  EXPECT_EQ(SamplerAverage(history, 10, RateFactor(1500)), 631);
  RecomputeHistoryAverages(history, 10, 1500);
  // Recompute: sample 9 averages samples 3..8, the last 6 (3606) / 6.67 = 540.9.
  EXPECT_EQ(history.AverageAt(9), 540);
  // Sample 6 (i < 6.67) averages all six before it: 1803 / 6.
  EXPECT_EQ(history.AverageAt(6), 300);
  // Sample 7 (i >= 6.67): samples 1..6 (2404) / 6.67 = 360.6.
  EXPECT_EQ(history.AverageAt(7), 360);
}

TEST(RecomputeAverages, KeepsSampleZeroAndFollowsTheNewAvgTime) {
  TrafficHistory history = Ramp(5);
  history.SetAverageAt(0, 99);
  RecomputeHistoryAverages(history, 0, 1000);
  EXPECT_EQ(history.AverageAt(0), 99);
  EXPECT_EQ(history.AverageAt(1), 1);
  EXPECT_EQ(history.AverageAt(4), 2); // (1+2+3+4)/4 = 2.5

  RecomputeHistoryAverages(history, 2, 1000); // two samples
  EXPECT_EQ(history.AverageAt(1), 1);
  EXPECT_EQ(history.AverageAt(2), 1); // (1+2)/2
  EXPECT_EQ(history.AverageAt(4), 3); // (3+4)/2 = 3.5

  RecomputeHistoryAverages(history, 1, 1000); // AvgTime 1 changes nothing
  EXPECT_EQ(history.AverageAt(4), 3);
}

TEST(RecomputeAverages, AWindowBelowOneSampleSumsNothing) {
  TrafficHistory history = Ramp(4);
  // 2 s at 3000 ms: window 0.67, so every sample from 1 on averages nothing.
  RecomputeHistoryAverages(history, 2, 3000);
  for (std::size_t i = 1; i < history.size(); ++i)
    EXPECT_EQ(history.AverageAt(i), 0) << i;
}

TEST(SamplerAverage, ANegativeAvgTimeFromAnEditedFileIsHarmless) {
  TrafficHistory history = Ramp(5);
  EXPECT_EQ(SamplerAverage(history, -5, RateFactor(1000)), 0);
  RecomputeHistoryAverages(history, -5, 1000);
  EXPECT_EQ(history.AverageAt(4), 0);
}

} // namespace
