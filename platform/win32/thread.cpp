#include "platform/thread.h"

#include <windows.h>
#include <process.h>

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

Thread::Thread(Thread&& other) noexcept : Handle(other.Handle), Id(other.Id) {
  other.Handle = nullptr;
  other.Id = 0;
}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Release();
    Handle = other.Handle;
    Id = other.Id;
    other.Handle = nullptr;
    other.Id = 0;
  }
  return *this;
}

Thread::~Thread() { Release(); }

void Thread::Release() {
  if (Handle != nullptr) CloseHandle(Handle);
  Handle = nullptr;
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
  Handle = reinterpret_cast<HANDLE>(handle);
  Id = id;
  return true;
}

void Thread::SetPriority(ThreadPriority priority) {
  if (Handle == nullptr) return;
  int value = THREAD_PRIORITY_NORMAL;
  if (priority == ThreadPriority::AboveNormal) value = THREAD_PRIORITY_ABOVE_NORMAL;
  if (priority == ThreadPriority::TimeCritical) value = THREAD_PRIORITY_TIME_CRITICAL;
  SetThreadPriority(Handle, value);
}

bool Thread::Started() const { return Handle != nullptr; }

bool Thread::Finished() const { return Handle == nullptr || WaitForSingleObject(Handle, 0) == WAIT_OBJECT_0; }

bool Thread::IsCurrent() const { return Handle != nullptr && GetCurrentThreadId() == Id; }

void Thread::Join() {
  if (Handle == nullptr) return;
  WaitDeliveringSentMessages(Handle, INFINITE);
  Release();
}

bool Thread::WaitFor(std::uint32_t milliseconds) {
  if (Handle == nullptr) return true;
  if (!WaitDeliveringSentMessages(Handle, milliseconds)) return false;
  Release();
  return true;
}

} // namespace platform
