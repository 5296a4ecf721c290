#pragma once
// What the engine tests of the native build put around a CaptureEngine: a
// clock that only moves when the test says so, a window that records every
// status message, message boxes that answer as told, and a watchdog that ends
// a test which hangs.
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace harness {

// The sampler's clock: TickCount returns Now; a sleep waits for Step (or
// returns at once after FreeRun) and then moves Now on by the time asked for.
// A sleep whose stop signal is set ends at once without moving Now.
namespace clock {
void Install();
void Uninstall();
void Step(int cycles = 1);
void FreeRun();
void Advance(std::uint32_t milliseconds);
std::uint32_t Now();
int Sleeps();                               // sleeps that ran their full time
std::uint32_t LastSleep();                  // the length asked for by the latest sleep
bool WaitUntilAsleep(int timeoutMs = 5000); // a sleep waits for Step
} // namespace clock

// The capture thread's pauses between attempts to open its adapter: they end
// at once (or, while held, when released or when their session ends), and
// each one's length is noted.
namespace pauses {
void Install();
void Uninstall();
void Hold(bool hold);
std::vector<std::uint32_t> Taken();
// Waits until `count` pauses have begun; false on timeout.
bool WaitForPauses(std::size_t count, int timeoutMs = 5000);
} // namespace pauses

struct Status {
  std::uintptr_t WParam;
  std::wstring Text;
  std::thread::id Thread;
};

struct Box {
  std::wstring Text;
  std::wstring Caption;
  unsigned Flags;
};

namespace window {
void Install(int boxAnswer);
void Uninstall();
void SetBoxAnswer(int answer);
// While held, a Yes/No box stays up until ReleaseBoxes answers it, or until
// the engine takes it down (unless told to miss that, as a box that was about
// to appear would).
void HoldBoxes(bool honourClose = true);
void ReleaseBoxes(int answer);
int BoxesShowing();
int BoxesTakenDown();
bool WaitForBoxesShowing(int count, int timeoutMs = 5000);
std::vector<Status> Statuses();
std::vector<Box> Boxes();
// Waits until `count` status messages with this wParam (any when 0) arrived.
bool WaitForStatuses(std::size_t count, std::uintptr_t wParam = 0, int timeoutMs = 5000);
bool WaitForBoxes(std::size_t count, int timeoutMs = 5000);
int OnSampleCalls();
// The sampler calls back after it released the lock, so a reader can see the
// sample before the call: waits until `count` calls came; false on timeout.
bool WaitForSampleCalls(int count, int timeoutMs = 5000);
void OnSample();
} // namespace window

// Aborts the process with a message when not dismissed within the time.
class Watchdog {
public:
  explicit Watchdog(int seconds, const char* what);
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog();

private:
  struct State;
  State* Shared;
  std::thread Guard;
};

} // namespace harness
