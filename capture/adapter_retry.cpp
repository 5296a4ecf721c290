#include "capture/adapter_retry.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr std::uint32_t LaunchWaitMs = 60000;
constexpr std::uint32_t ResumeWaitMs = 120000;
constexpr std::uint32_t FirstPauseMs = 1000;
constexpr std::uint32_t LongestPauseMs = 10000;
constexpr std::uint32_t ReopenPausesMs[] = {1000, 3000};

std::uint32_t WaitLimit(AdapterWait wait) {
  switch (wait) {
  case AdapterWait::AtLaunch: return LaunchWaitMs;
  case AdapterWait::AfterResume: return ResumeWaitMs;
  case AdapterWait::None: break;
  }
  return 0;
}

} // namespace

std::optional<std::uint32_t> PauseBeforeNextOpen(AdapterWait wait, unsigned failed, std::uint32_t elapsedMs) {
  const std::uint32_t limit = WaitLimit(wait);
  if (failed == 0 || elapsedMs >= limit) return std::nullopt;
  // Doubling from 1 s reaches the cap after four failures; no shift overflows.
  const std::uint32_t pause =
      failed > 4 ? LongestPauseMs : std::min(LongestPauseMs, FirstPauseMs << (failed - 1));
  return std::min(pause, limit - elapsedMs);
}

std::optional<std::uint32_t> PauseBeforeReopen(unsigned done) {
  if (done >= std::size(ReopenPausesMs)) return std::nullopt;
  return ReopenPausesMs[done];
}
