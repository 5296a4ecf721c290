// The pauses between attempts to open an adapter that is not there yet, and
// between reopens after a failed read.
#include <gtest/gtest.h>

#include <vector>

#include "capture/adapter_retry.h"

namespace {

// The moments (ms after the first) at which attempts are made until the
// schedule gives up, each attempt failing at once.
std::vector<std::uint32_t> Attempts(AdapterWait wait) {
  std::vector<std::uint32_t> at{0};
  std::uint32_t now = 0;
  for (unsigned failed = 1; failed < 1000; ++failed) {
    const auto pause = PauseBeforeNextOpen(wait, failed, now);
    if (!pause) break;
    EXPECT_GT(*pause, 0u);
    now += *pause;
    at.push_back(now);
  }
  return at;
}

TEST(AdapterRetryTest, DoublingPausesCappedAtTenSecondsUntilTheWaitEnds) {
  EXPECT_EQ(Attempts(AdapterWait::AtLaunch),
            (std::vector<std::uint32_t>{0, 1000, 3000, 7000, 15000, 25000, 35000, 45000, 55000, 60000}));
  const std::vector<std::uint32_t> resume = Attempts(AdapterWait::AfterResume);
  EXPECT_EQ(resume.back(), 120000u);
  EXPECT_EQ(resume.size(), 16u);
  // A start the user asked for tries once.
  EXPECT_EQ(Attempts(AdapterWait::None), std::vector<std::uint32_t>{0});
  // Slow attempts eat into the wait: an attempt that took 59.5 s leaves half a second.
  EXPECT_EQ(PauseBeforeNextOpen(AdapterWait::AtLaunch, 1, 59500), 500u);
  EXPECT_EQ(PauseBeforeNextOpen(AdapterWait::AtLaunch, 2, 61000), std::nullopt);
  EXPECT_EQ(PauseBeforeNextOpen(AdapterWait::AfterResume, 4000000000u, 0), 10000u);
}

TEST(AdapterRetryTest, AFailedReadIsReopenedAfterOneAndThenThreeSeconds) {
  EXPECT_EQ(PauseBeforeReopen(0), 1000u);
  EXPECT_EQ(PauseBeforeReopen(1), 3000u);
  EXPECT_EQ(PauseBeforeReopen(2), std::nullopt);
}

} // namespace
