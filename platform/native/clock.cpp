#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#include "platform/native/clock_hooks.h"

namespace platform {
namespace {

std::atomic<TickCountHook> TickHook{nullptr};
std::atomic<SleepHook> SleepFn{nullptr};
std::atomic<LocalDateHook> DateHook{nullptr};

} // namespace

void SetClockHooks(TickCountHook tickCount, SleepHook sleep) {
  TickHook = tickCount;
  SleepFn = sleep;
}

SleepHook CurrentSleepHook() { return SleepFn.load(); }

std::uint32_t TickCount() {
  if (TickCountHook hook = TickHook.load()) return hook();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SetLocalDateHook(LocalDateHook hook) { DateHook = hook; }

CalendarDate LocalDate() {
  if (LocalDateHook hook = DateHook.load()) return hook();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

} // namespace platform
