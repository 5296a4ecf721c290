#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

std::atomic<TickCountHook> TickHook{nullptr};
std::atomic<SleepHook> SleepFn{nullptr};

} // namespace

void SetClockHooks(TickCountHook tickCount, SleepHook sleep) {
  TickHook = tickCount;
  SleepFn = sleep;
}

std::uint32_t TickCount() {
  if (TickCountHook hook = TickHook.load()) return hook();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SleepMs(std::uint32_t milliseconds) {
  if (SleepHook hook = SleepFn.load()) return hook(milliseconds);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace platform
