#include "platform/thread.h"

#include <windows.h>
#include <process.h>

#include <utility>

#include "platform/win32/diagnostics.h"

namespace platform {
namespace {

struct StartRecord {
  Thread::Entry Entry;
  void* Argument;
};

unsigned __stdcall Trampoline(void* raw) {
  StartRecord record = *static_cast<StartRecord*>(raw);
  delete static_cast<StartRecord*>(raw);
  return record.Entry(record.Argument);
}

// Waits for the handle and meanwhile handles the messages that other threads
// send to this thread's windows (a worker's SendMessageW would otherwise wait
// for us while we wait for it).
bool WaitDeliveringSentMessages(HANDLE handle, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD left = INFINITE;
    if (milliseconds != INFINITE) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= milliseconds) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
      left = milliseconds - spent;
    }
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_OBJECT_0 + 1) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      continue;
    }
    if (result == WAIT_TIMEOUT) return false;
    return WaitForSingleObject(handle, milliseconds) == WAIT_OBJECT_0;
  }
}

} // namespace

Thread::Thread(Thread&& other) noexcept : Handle(std::move(other.Handle)), Id(std::exchange(other.Id, 0)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Handle = std::move(other.Handle);
    Id = std::exchange(other.Id, 0);
  }
  return *this;
}

Thread::~Thread() = default;

void Thread::Release() {
  Handle.Reset();
  Id = 0;
}

bool Thread::Start(Entry entry, void* argument) {
  Release();
  auto* record = new StartRecord{entry, argument};
  unsigned id = 0;
  const std::uintptr_t handle = _beginthreadex(nullptr, 0, Trampoline, record, 0, &id);
  if (handle == 0) {
    delete record;
    return false;
  }
  Handle.Reset(reinterpret_cast<HANDLE>(handle));
  Id = id;
  return true;
}

void Thread::SetPriority(ThreadPriority priority) {
  if (!Handle) return;
  int value = THREAD_PRIORITY_NORMAL;
  if (priority == ThreadPriority::AboveNormal) value = THREAD_PRIORITY_ABOVE_NORMAL;
  if (priority == ThreadPriority::TimeCritical) value = THREAD_PRIORITY_TIME_CRITICAL;
  if (!SetThreadPriority(Handle.Get(), value)) LogLastError(L"SetThreadPriority");
}

bool Thread::Started() const { return static_cast<bool>(Handle); }

bool Thread::Finished() const { return !Handle || WaitForSingleObject(Handle.Get(), 0) == WAIT_OBJECT_0; }

bool Thread::IsCurrent() const { return Handle && GetCurrentThreadId() == Id; }

void Thread::Join() {
  if (!Handle) return;
  WaitDeliveringSentMessages(Handle.Get(), INFINITE);
  Release();
}

bool Thread::WaitFor(std::uint32_t milliseconds) {
  if (!Handle) return true;
  if (!WaitDeliveringSentMessages(Handle.Get(), milliseconds)) return false;
  Release();
  return true;
}

} // namespace platform
