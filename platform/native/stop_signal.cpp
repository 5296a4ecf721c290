#include "platform/stop_signal.h"

#include <chrono>

#include "platform/clock.h"
#include "platform/native/clock_hooks.h"

namespace platform {

StopSignal::StopSignal() = default;
StopSignal::~StopSignal() = default;

void StopSignal::Set() {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    Signalled = true;
  }
  Changed.notify_all();
}

bool StopSignal::IsSet() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Signalled;
}

bool StopSignal::Sleep(std::uint32_t milliseconds) {
  if (SleepHook hook = CurrentSleepHook()) return hook(milliseconds, *this);
  std::unique_lock<std::mutex> lock(Mutex);
  return Changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return Signalled; });
}

} // namespace platform
