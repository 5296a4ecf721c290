#pragma once
// A mutual-exclusion lock (a critical section on Windows) and its scope guard.
#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace platform {

class Lock {
public:
  Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock();

  void Enter();
  void Leave();

private:
#ifdef _WIN32
  CRITICAL_SECTION Section;
#else
  std::mutex Mutex;
#endif
};

class LockGuard {
public:
  explicit LockGuard(Lock& lock) : Held(lock) { Held.Enter(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;
  ~LockGuard() { Held.Leave(); }

private:
  Lock& Held;
};

} // namespace platform
