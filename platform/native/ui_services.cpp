#include "platform/ui_services.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/native/window_thread.h"

namespace platform {
namespace {

std::atomic<TextMessageHook> MessageHook{nullptr};
std::atomic<MessageBoxHook> BoxHook{nullptr};

struct PendingMessage {
  WindowHandle Window;
  unsigned Message;
  std::uintptr_t WParam;
  const wchar_t* Text;
  bool Done = false;
};

// The stand-in for the window thread's queue of sent messages.
struct WindowThreadQueue {
  std::mutex Mutex;
  std::condition_variable Changed;
  bool Bound = false;
  std::thread::id Owner;
  std::deque<PendingMessage*> Pending;
};

WindowThreadQueue& Queue() {
  static WindowThreadQueue queue;
  return queue;
}

void Deliver(const PendingMessage& message) {
  if (TextMessageHook hook = MessageHook.load())
    hook(message.Window, message.Message, message.WParam, message.Text);
}

} // namespace

void SetTextMessageHook(TextMessageHook hook) { MessageHook = hook; }
void SetMessageBoxHook(MessageBoxHook hook) { BoxHook = hook; }

void SendTextMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, const wchar_t* text) {
  PendingMessage pending{window, message, wParam, text};
  WindowThreadQueue& queue = Queue();
  std::unique_lock<std::mutex> lock(queue.Mutex);
  if (!queue.Bound || queue.Owner == std::this_thread::get_id()) {
    lock.unlock();
    Deliver(pending);
    return;
  }
  queue.Pending.push_back(&pending);
  queue.Changed.notify_all();
  queue.Changed.wait(lock, [&] { return pending.Done; });
}

int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags,
                   BoxCloser* closer) {
  if (closer != nullptr && closer->Closed()) return DeclineAnswer(flags);
  if (MessageBoxHook hook = BoxHook.load()) return hook(owner, text, caption, flags, closer);
  return (flags & 0xF) == BoxYesNo ? AnswerNo : AnswerOk;
}

void BoxCloser::Close() { IsClosed = true; }

void BindWindowThread() {
  WindowThreadQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.Mutex);
  queue.Bound = true;
  queue.Owner = std::this_thread::get_id();
}

void UnbindWindowThread() {
  PumpSentMessages();
  WindowThreadQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.Mutex);
  queue.Bound = false;
  // Anybody still waiting is served directly from now on.
  for (PendingMessage* pending : queue.Pending)
    pending->Done = true;
  queue.Pending.clear();
  queue.Changed.notify_all();
}

int PumpSentMessages() {
  WindowThreadQueue& queue = Queue();
  std::unique_lock<std::mutex> lock(queue.Mutex);
  if (!queue.Bound || queue.Owner != std::this_thread::get_id()) return 0;
  int handled = 0;
  while (!queue.Pending.empty()) {
    PendingMessage* pending = queue.Pending.front();
    queue.Pending.pop_front();
    lock.unlock();
    Deliver(*pending);
    lock.lock();
    pending->Done = true;
    queue.Changed.notify_all();
    ++handled;
  }
  return handled;
}

bool IsWindowThread() {
  WindowThreadQueue& queue = Queue();
  std::lock_guard<std::mutex> lock(queue.Mutex);
  return queue.Bound && queue.Owner == std::this_thread::get_id();
}

} // namespace platform
