// The compact history must give back exactly what was appended, and its range
// sums must equal a plain loop of 64-bit additions.
#include "capture/traffic_history.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t Min64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t Max64 = std::numeric_limits<std::int64_t>::max();

std::vector<BPSSample> RandomSamples(std::size_t count, unsigned seed) {
  std::mt19937_64 rng(seed);
  const std::vector<std::wstring> hosts = {
      L"",
      L"router.fritz.box",
      L"10.0.0.1 [F]",
      L"a-very-long-host-name-beyond-the-small-string-buffer.example.org",
      L"ÿberlänge.example",
      L"router.fritz.box "};
  const std::int64_t extremes[] = {0, 1, -1, Min64, Max64, Max64 - 1, Min64 + 1};
  std::vector<BPSSample> samples(count);
  for (BPSSample& s : samples) {
    const unsigned kind = rng() % 8;
    s.Total = kind == 0 ? extremes[rng() % 7] : static_cast<std::int64_t>(rng() % 200'000'000);
    s.Average = kind == 1 ? extremes[rng() % 7] : static_cast<std::int64_t>(rng() >> 2);
    s.In = static_cast<std::int64_t>(rng());
    s.Out = static_cast<std::int64_t>(rng());
    s.Other = static_cast<std::int64_t>(static_cast<std::uint64_t>(s.Total) -
                                        static_cast<std::uint64_t>(s.In) - static_cast<std::uint64_t>(s.Out));
    s.TopSrcPort = static_cast<std::uint16_t>(rng());
    s.TopDstPort = static_cast<std::uint16_t>(rng());
    s.TopSrcHost = hosts[rng() % hosts.size()];
    s.TopDstHost = hosts[rng() % hosts.size()];
  }
  return samples;
}

void ExpectSample(const BPSSample& expected, const BPSSample& actual, std::size_t index) {
  EXPECT_EQ(expected.Total, actual.Total) << index;
  EXPECT_EQ(expected.Average, actual.Average) << index;
  EXPECT_EQ(expected.In, actual.In) << index;
  EXPECT_EQ(expected.Out, actual.Out) << index;
  EXPECT_EQ(expected.Other, actual.Other) << index;
  EXPECT_EQ(expected.TopSrcPort, actual.TopSrcPort) << index;
  EXPECT_EQ(expected.TopDstPort, actual.TopDstPort) << index;
  EXPECT_EQ(expected.TopSrcHost, actual.TopSrcHost) << index;
  EXPECT_EQ(expected.TopDstHost, actual.TopDstHost) << index;
}

void ExpectHistory(const std::vector<BPSSample>& expected, const TrafficHistory& history) {
  ASSERT_EQ(expected.size(), history.size());
  ASSERT_EQ(expected.empty(), history.empty());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ExpectSample(expected[i], history[i], i);
    ASSERT_EQ(expected[i].Total, history.TotalAt(i));
    ASSERT_EQ(expected[i].Average, history.AverageAt(i));
  }
  if (!expected.empty()) ExpectSample(expected.back(), history.back(), expected.size() - 1);
}

// Wrapping sum, as the sampler's 64-bit additions give it (without the
// undefined signed overflow).
std::int64_t PlainSum(const std::vector<BPSSample>& samples, std::size_t first, std::size_t end) {
  std::uint64_t sum = 0;
  for (std::size_t i = first; i < end; ++i)
    sum += static_cast<std::uint64_t>(samples[i].Total);
  return static_cast<std::int64_t>(sum);
}

TEST(TrafficHistory, GivesBackEveryRecordAcrossChunks) {
  const std::vector<BPSSample> samples = RandomSamples(10'000, 7);
  TrafficHistory history;
  for (const BPSSample& s : samples)
    history.Append(s);
  ExpectHistory(samples, history);
}

TEST(TrafficHistory, RangeSumsEqualAPlainLoop) {
  const std::vector<BPSSample> samples = RandomSamples(9'000, 11);
  TrafficHistory history;
  for (const BPSSample& s : samples)
    history.Append(s);
  std::mt19937 rng(3);
  std::uniform_int_distribution<std::size_t> index(0, samples.size());
  for (int n = 0; n < 2000; ++n) {
    std::size_t first = index(rng), end = index(rng);
    if (first > end) std::swap(first, end);
    ASSERT_EQ(PlainSum(samples, first, end), history.SumOfTotals(first, end)) << first << ".." << end;
  }
  EXPECT_EQ(PlainSum(samples, 0, samples.size()), history.SumOfTotals(0, samples.size()));
  EXPECT_EQ(0, history.SumOfTotals(5, 5));
  EXPECT_EQ(0, history.SumOfTotals(0, 0));
}

TEST(TrafficHistory, NewAveragesLeaveTotalsAndSumsAlone) {
  std::vector<BPSSample> samples = RandomSamples(5000, 5);
  TrafficHistory history;
  for (const BPSSample& s : samples)
    history.Append(s);
  for (std::size_t i = 0; i < samples.size(); i += 3) {
    samples[i].Average = static_cast<std::int64_t>(i) - 2500;
    history.SetAverageAt(i, samples[i].Average);
  }
  ExpectHistory(samples, history);
  EXPECT_EQ(PlainSum(samples, 100, 4500), history.SumOfTotals(100, 4500));
}

TEST(TrafficHistory, ClearStartsAFreshHistory) {
  TrafficHistory history;
  for (const BPSSample& s : RandomSamples(5000, 1))
    history.Append(s);
  history.Clear();
  EXPECT_TRUE(history.empty());
  EXPECT_EQ(0u, history.size());

  // Neither the running sums nor the host names of before may leak into it.
  const std::vector<BPSSample> fresh = RandomSamples(300, 2);
  for (const BPSSample& s : fresh)
    history.Append(s);
  ExpectHistory(fresh, history);
  EXPECT_EQ(PlainSum(fresh, 0, 300), history.SumOfTotals(0, 300));
}

TEST(TrafficHistory, CopiesAndMovesAreIndependent) {
  const std::vector<BPSSample> samples = RandomSamples(4100, 9);
  TrafficHistory original;
  for (const BPSSample& s : samples)
    original.Append(s);

  TrafficHistory copy(original);
  TrafficHistory assigned;
  assigned.Append(samples[0]);
  assigned = original;
  copy.SetAverageAt(0, 42);
  copy.Append(samples[1]);
  ExpectHistory(samples, original);
  ExpectHistory(samples, assigned);
  EXPECT_EQ(42, copy.AverageAt(0));
  EXPECT_EQ(samples[1].TopDstHost, copy.back().TopDstHost);

  TrafficHistory moved(std::move(copy));
  EXPECT_EQ(samples.size() + 1, moved.size());
  EXPECT_TRUE(copy.empty()); // NOLINT(bugprone-use-after-move): a moved-from history is empty and usable
  copy.Append(samples[2]);
  ExpectSample(samples[2], copy[0], 0);
  assigned = std::move(moved);
  EXPECT_EQ(samples.size() + 1, assigned.size());
  EXPECT_EQ(samples[2].TopSrcHost, assigned[2].TopSrcHost);
}

} // namespace
