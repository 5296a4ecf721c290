#include "engine_harness.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "capture/capture_session.h"
#include "capture/status_message.h"
#include "platform/clock.h"
#include "platform/stop_signal.h"
#include "platform/ui_services.h"

namespace harness {
namespace clock {
namespace {

struct ClockState {
  std::mutex Mutex;
  std::condition_variable Changed;
  int Granted = 0;
  int Slept = 0;
  std::uint32_t LastAsked = 0;
  int Asleep = 0;
  bool Free = false;
  std::atomic<std::uint32_t> Now{1000};
};

ClockState& C() {
  static ClockState state;
  return state;
}

std::uint32_t FakeTickCount() { return C().Now.load(); }

bool FakeSleep(std::uint32_t milliseconds, const platform::StopSignal& signal) {
  ClockState& c = C();
  std::unique_lock<std::mutex> lock(c.Mutex);
  c.LastAsked = milliseconds;
  ++c.Asleep;
  c.Changed.notify_all();
  // The signal has a lock of its own: look at it now and then.
  while (!signal.IsSet() && !c.Free && c.Granted == 0)
    c.Changed.wait_for(lock, std::chrono::milliseconds(1));
  --c.Asleep;
  if (signal.IsSet()) return true;
  if (!c.Free) --c.Granted;
  c.Now += milliseconds;
  ++c.Slept;
  c.Changed.notify_all();
  return false;
}

} // namespace

void Install() {
  ClockState& c = C();
  {
    std::lock_guard<std::mutex> lock(c.Mutex);
    c.Granted = 0;
    c.Slept = 0;
    c.Free = false;
  }
  platform::SetClockHooks(FakeTickCount, FakeSleep);
}

void Uninstall() {
  FreeRun();
  platform::SetClockHooks(nullptr, nullptr);
}

void Step(int cycles) {
  ClockState& c = C();
  std::lock_guard<std::mutex> lock(c.Mutex);
  c.Granted += cycles;
  c.Changed.notify_all();
}

void FreeRun() {
  ClockState& c = C();
  std::lock_guard<std::mutex> lock(c.Mutex);
  c.Free = true;
  c.Changed.notify_all();
}

void Advance(std::uint32_t milliseconds) { C().Now += milliseconds; }
std::uint32_t Now() { return C().Now.load(); }

int Sleeps() {
  ClockState& c = C();
  std::lock_guard<std::mutex> lock(c.Mutex);
  return c.Slept;
}

bool WaitUntilAsleep(int timeoutMs) {
  ClockState& c = C();
  std::unique_lock<std::mutex> lock(c.Mutex);
  return c.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return c.Asleep > 0; });
}

std::uint32_t LastSleep() {
  ClockState& c = C();
  std::lock_guard<std::mutex> lock(c.Mutex);
  return c.LastAsked;
}

} // namespace clock

namespace pauses {
namespace {

struct PauseState {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<std::uint32_t> Taken;
  bool Held = false;
};

PauseState& P() {
  static PauseState state;
  return state;
}

bool FakePause(std::uint32_t milliseconds, platform::StopSignal& signal) {
  PauseState& p = P();
  std::unique_lock<std::mutex> lock(p.Mutex);
  p.Taken.push_back(milliseconds);
  p.Changed.notify_all();
  // The signal has no hook of its own to wake us: look now and then.
  while (p.Held && !signal.IsSet())
    p.Changed.wait_for(lock, std::chrono::milliseconds(2));
  return signal.IsSet();
}

} // namespace

void Install() {
  {
    std::lock_guard<std::mutex> lock(P().Mutex);
    P().Taken.clear();
    P().Held = false;
  }
  CaptureSession::SetPauseHook(FakePause);
}

void Uninstall() {
  Hold(false);
  CaptureSession::SetPauseHook(nullptr);
}

void Hold(bool hold) {
  std::lock_guard<std::mutex> lock(P().Mutex);
  P().Held = hold;
  P().Changed.notify_all();
}

std::vector<std::uint32_t> Taken() {
  std::lock_guard<std::mutex> lock(P().Mutex);
  return P().Taken;
}

bool WaitForPauses(std::size_t count, int timeoutMs) {
  PauseState& p = P();
  std::unique_lock<std::mutex> lock(p.Mutex);
  return p.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return p.Taken.size() >= count; });
}

} // namespace pauses

namespace window {
namespace {

struct WindowState {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<Status> Statuses;
  std::vector<Box> Boxes;
  std::atomic<int> Answer{platform::AnswerNo};
  std::atomic<int> Samples{0};
  bool Hold = false;
  bool HonourClose = true;
  int Released = 0; // answers handed out by ReleaseBoxes
  int ReleasedAnswer = 0;
  int Showing = 0;
  int TakenDown = 0;
};

WindowState& W() {
  static WindowState state;
  return state;
}

void OnMessage(WindowHandle, unsigned message, std::uintptr_t wParam, const wchar_t* text) {
  if (message != WM_STATUSINFO) return;
  WindowState& w = W();
  std::lock_guard<std::mutex> lock(w.Mutex);
  w.Statuses.push_back({wParam, text != nullptr ? text : L"", std::this_thread::get_id()});
  w.Changed.notify_all();
}

int OnBox(WindowHandle, const wchar_t* text, const wchar_t* caption, unsigned flags,
          const platform::BoxCloser* closer) {
  WindowState& w = W();
  std::unique_lock<std::mutex> lock(w.Mutex);
  w.Boxes.push_back({text, caption, flags});
  w.Changed.notify_all();
  if ((flags & 0xF) != platform::BoxYesNo) return platform::AnswerOk;
  if (!w.Hold) return w.Answer.load();
  ++w.Showing;
  w.Changed.notify_all();
  // The closer has no way to wake us: look at it now and then.
  int answer = 0;
  while (answer == 0) {
    if (w.Released > 0) {
      --w.Released;
      answer = w.ReleasedAnswer;
    } else if (w.HonourClose && closer != nullptr && closer->Closed()) {
      ++w.TakenDown;
      answer = platform::DeclineAnswer(flags);
    } else {
      w.Changed.wait_for(lock, std::chrono::milliseconds(1));
    }
  }
  --w.Showing;
  w.Changed.notify_all();
  return answer;
}

} // namespace

void Install(int boxAnswer) {
  WindowState& w = W();
  {
    std::lock_guard<std::mutex> lock(w.Mutex);
    w.Statuses.clear();
    w.Boxes.clear();
  }
  w.Answer = boxAnswer;
  w.Samples = 0;
  {
    std::lock_guard<std::mutex> lock(w.Mutex);
    w.Hold = false;
    w.HonourClose = true;
    w.Released = w.Showing = w.TakenDown = 0;
  }
  platform::SetTextMessageHook(OnMessage);
  platform::SetMessageBoxHook(OnBox);
}

void Uninstall() {
  // A box the engine let go of is answered now, so its thread ends here.
  ReleaseBoxes(platform::AnswerNo);
  {
    WindowState& w = W();
    std::unique_lock<std::mutex> lock(w.Mutex);
    w.Changed.wait_for(lock, std::chrono::seconds(5), [&] { return w.Showing == 0; });
  }
  platform::SetTextMessageHook(nullptr);
  platform::SetMessageBoxHook(nullptr);
}

void SetBoxAnswer(int answer) { W().Answer = answer; }

void HoldBoxes(bool honourClose) {
  WindowState& w = W();
  std::lock_guard<std::mutex> lock(w.Mutex);
  w.Hold = true;
  w.HonourClose = honourClose;
}

void ReleaseBoxes(int answer) {
  WindowState& w = W();
  std::lock_guard<std::mutex> lock(w.Mutex);
  w.Hold = false;
  w.Released = w.Showing;
  w.ReleasedAnswer = answer;
  w.Changed.notify_all();
}

int BoxesShowing() {
  std::lock_guard<std::mutex> lock(W().Mutex);
  return W().Showing;
}

int BoxesTakenDown() {
  std::lock_guard<std::mutex> lock(W().Mutex);
  return W().TakenDown;
}

bool WaitForBoxesShowing(int count, int timeoutMs) {
  WindowState& w = W();
  std::unique_lock<std::mutex> lock(w.Mutex);
  return w.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return w.Showing >= count; });
}

std::vector<Status> Statuses() {
  std::lock_guard<std::mutex> lock(W().Mutex);
  return W().Statuses;
}

std::vector<Box> Boxes() {
  std::lock_guard<std::mutex> lock(W().Mutex);
  return W().Boxes;
}

bool WaitForStatuses(std::size_t count, std::uintptr_t wParam, int timeoutMs) {
  WindowState& w = W();
  std::unique_lock<std::mutex> lock(w.Mutex);
  return w.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t seen = 0;
    for (const Status& status : w.Statuses)
      if (wParam == 0 || status.WParam == wParam) ++seen;
    return seen >= count;
  });
}

bool WaitForBoxes(std::size_t count, int timeoutMs) {
  WindowState& w = W();
  std::unique_lock<std::mutex> lock(w.Mutex);
  return w.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return w.Boxes.size() >= count; });
}

int OnSampleCalls() { return W().Samples.load(); }
void OnSample() { ++W().Samples; }
bool WaitForSampleCalls(int count, int timeoutMs) {
  for (int waited = 0; W().Samples.load() < count; ++waited) {
    if (waited >= timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

} // namespace window

struct Watchdog::State {
  std::mutex Mutex;
  std::condition_variable Dismissed;
  bool Done = false;
};

Watchdog::Watchdog(int seconds, const char* what) : Shared(new State) {
  Guard = std::thread([state = Shared, seconds, what] {
    std::unique_lock<std::mutex> lock(state->Mutex);
    if (!state->Dismissed.wait_for(lock, std::chrono::seconds(seconds), [&] { return state->Done; })) {
      std::fprintf(stderr, "watchdog: %s did not finish within %d s\n", what, seconds);
      std::abort();
    }
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(Shared->Mutex);
    Shared->Done = true;
    Shared->Dismissed.notify_all();
  }
  Guard.join();
  delete Shared;
}

} // namespace harness
