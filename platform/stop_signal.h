#pragma once
// A one-way signal that a worker sleeps on between its rounds: once set it
// stays set, and a sleep on it ends at once, so stopping never waits for the
// rest of a long sleep.
#include <cstdint>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#endif

namespace platform {

class StopSignal {
public:
  StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;
  ~StopSignal();

  void Set();
  bool IsSet() const;
  // Sleeps `milliseconds` or until the signal is set; true when it was set.
  bool Sleep(std::uint32_t milliseconds);

private:
#ifdef _WIN32
  void* Event;
#else
  mutable std::mutex Mutex;
  std::condition_variable Changed;
  bool Signalled = false;
#endif
};

} // namespace platform
