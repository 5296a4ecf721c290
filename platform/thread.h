#pragma once
// A worker thread owned by one object. Waits for its end keep delivering
// messages that other threads send to the waiting thread's windows, so a worker
// that reports to the window while the window thread waits for it cannot hang
// the program.
#include <cstdint>
#include <memory>

#ifdef _WIN32
#include "platform/win32/owned_handles.h"
#endif

namespace platform {

enum class ThreadPriority { Normal, AboveNormal, TimeCritical };

class Thread {
public:
  using Entry = unsigned (*)(void* argument);

  Thread() = default;
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Lets a thread that is still running go on by itself; owners join first.
  ~Thread();

  // Runs entry(argument) at once; false when the thread cannot be created.
  bool Start(Entry entry, void* argument);
  void SetPriority(ThreadPriority priority);

  bool Started() const;
  // True when the thread has ended (or none was started).
  bool Finished() const;
  // True when called from this thread itself.
  bool IsCurrent() const;
  // Waits without a time limit and releases the thread.
  void Join();
  // Waits at most `milliseconds`; true (and the thread released) when it ended.
  bool WaitFor(std::uint32_t milliseconds);

private:
  void Release();

#ifdef _WIN32
  OwnedKernelHandle Handle;
  unsigned long Id = 0;
#else
  struct State;
  std::shared_ptr<State> Shared;
#endif
};

} // namespace platform
