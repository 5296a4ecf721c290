#include "platform/thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/native/window_thread.h"
#include "platform/ui_services.h"

namespace platform {

struct Thread::State {
  std::mutex Mutex;
  std::condition_variable Ended;
  bool Done = false;
  std::thread Worker;
  std::thread::id Id;
};

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Release();
    Shared = std::move(other.Shared);
  }
  return *this;
}

Thread::~Thread() { Release(); }

void Thread::Release() {
  if (!Shared) return;
  if (Shared->Worker.joinable()) {
    bool done;
    {
      std::lock_guard<std::mutex> lock(Shared->Mutex);
      done = Shared->Done;
    }
    if (done)
      Shared->Worker.join();
    else
      Shared->Worker.detach();
  }
  Shared.reset();
}

bool Thread::Start(Entry entry, void* argument) {
  Release();
  auto state = std::make_shared<State>();
  try {
    state->Worker = std::thread([state, entry, argument] {
      entry(argument);
      std::lock_guard<std::mutex> lock(state->Mutex);
      state->Done = true;
      state->Ended.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  state->Id = state->Worker.get_id();
  Shared = std::move(state);
  return true;
}

// Priorities are a scheduling hint that tests cannot observe; the native build
// leaves them alone.
void Thread::SetPriority(ThreadPriority) {}

bool Thread::Started() const { return Shared != nullptr; }

bool Thread::Finished() const {
  if (!Shared) return true;
  std::lock_guard<std::mutex> lock(Shared->Mutex);
  return Shared->Done;
}

bool Thread::IsCurrent() const { return Shared && Shared->Id == std::this_thread::get_id(); }

void Thread::Join() {
  if (!Shared) return;
  if (IsWindowThread()) {
    for (bool ended = false; !ended;)
      ended = WaitFor(1000);
    return;
  }
  {
    std::unique_lock<std::mutex> lock(Shared->Mutex);
    Shared->Ended.wait(lock, [&] { return Shared->Done; });
  }
  Shared->Worker.join();
  Shared.reset();
}

bool Thread::WaitFor(std::uint32_t milliseconds) {
  if (!Shared) return true;
  if (IsWindowThread()) {
    // As on Windows, the window thread handles sent messages while it waits.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
      PumpSentMessages();
      {
        std::unique_lock<std::mutex> lock(Shared->Mutex);
        if (Shared->Ended.wait_for(lock, std::chrono::milliseconds(1), [&] { return Shared->Done; })) break;
      }
      if (std::chrono::steady_clock::now() >= end) return false;
    }
    Shared->Worker.join();
    Shared.reset();
    return true;
  }
  {
    std::unique_lock<std::mutex> lock(Shared->Mutex);
    if (!Shared->Ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return Shared->Done; }))
      return false;
  }
  Shared->Worker.join();
  Shared.reset();
  return true;
}

} // namespace platform
