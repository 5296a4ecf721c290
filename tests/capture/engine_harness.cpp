#include "engine_harness.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "capture/status_message.h"
#include "platform/clock.h"
#include "platform/ui_services.h"

namespace harness {
namespace clock {
namespace {

struct ClockState {
  std::mutex Mutex;
  std::condition_variable Changed;
  int Granted = 0;
  int Slept = 0;
  bool Free = false;
  std::atomic<std::uint32_t> Now{1000};
};

ClockState& C() {
  static ClockState state;
  return state;
}

std::uint32_t FakeTickCount() { return C().Now.load(); }

void FakeSleep(std::uint32_t milliseconds) {
  ClockState& c = C();
  std::unique_lock<std::mutex> lock(c.Mutex);
  c.Changed.wait(lock, [&] { return c.Free || c.Granted > 0; });
  if (!c.Free) --c.Granted;
  c.Now += milliseconds;
  ++c.Slept;
  c.Changed.notify_all();
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

} // namespace clock

namespace window {
namespace {

struct WindowState {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<Status> Statuses;
  std::vector<Box> Boxes;
  std::atomic<int> Answer{platform::AnswerNo};
  std::atomic<int> Samples{0};
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

int OnBox(WindowHandle, const wchar_t* text, const wchar_t* caption, unsigned flags) {
  WindowState& w = W();
  std::lock_guard<std::mutex> lock(w.Mutex);
  w.Boxes.push_back({text, caption, flags});
  w.Changed.notify_all();
  return (flags & 0xF) == platform::BoxYesNo ? w.Answer.load() : platform::AnswerOk;
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
  platform::SetTextMessageHook(OnMessage);
  platform::SetMessageBoxHook(OnBox);
}

void Uninstall() {
  platform::SetTextMessageHook(nullptr);
  platform::SetMessageBoxHook(nullptr);
}

void SetBoxAnswer(int answer) { W().Answer = answer; }

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
