#pragma once
// What the capture engine needs from the user interface: status messages to
// the main window (sent, so the sender waits until the window handled them) and
// message boxes. The native build hands both to hooks, so tests see every
// message and answer every box.
#include <atomic>
#include <cstdint>

#include "platform/handles.h"
#include "platform/text_mailbox.h"

namespace platform {

// Message boxes: flags and answers carry the Win32 values.
constexpr unsigned BoxOk = 0x0, BoxYesNo = 0x4, BoxIconError = 0x10, BoxIconExclamation = 0x30;
constexpr int AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7;

// Lets another thread take down the message box that a worker shows with it,
// as if the user had declined: No, else Cancel, else OK. A box shown after
// Close declines at once. On Windows a box that is about to appear can slip
// past one Close; callers that wait for the worker close again meanwhile.
class BoxCloser {
public:
  void Close();
  bool Closed() const { return IsClosed.load(); }

private:
  friend int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags,
                            BoxCloser* closer);
  std::atomic<bool> IsClosed{false};
  std::atomic<std::uint32_t> ShowingThread{0}; // Windows thread id of the worker showing the box
};

// The answer of a box with these flags that the user declined.
constexpr int DeclineAnswer(unsigned flags) {
  const unsigned buttons = flags & 0xF;
  if (buttons == BoxYesNo) return AnswerNo;
  return buttons == BoxOk ? AnswerOk : AnswerCancel;
}

// Sends message `message` with wParam and the text (may be null) to `window`
// and returns when the window procedure has handled it. On Windows the text
// travels through a mailbox of this process that the message only announces
// (lParam holds the letter's number): the window procedure takes it with
// TakeTextMessage, so that no other process can hand it a pointer.
void SendTextMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, const wchar_t* text);
#ifdef _WIN32
// On the window thread, for a message that SendTextMessage announced: the
// letter named by lParam; false for a message from anybody else.
bool TakeTextMessage(WindowHandle window, unsigned message, std::uintptr_t lParam, TextLetter& letter);
// Takes down every dialog and box that the thread (a Windows thread id) shows,
// as if the user had declined it (the button that BoxCloser picks).
void DeclineBoxesOfThread(std::uint32_t thread);
#endif
int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags,
                   BoxCloser* closer = nullptr);

#ifndef _WIN32
// Native stand-ins for the window. Without a hook a message goes nowhere and a
// box answers AnswerCancel for two-button boxes and AnswerOk otherwise.
using TextMessageHook = void (*)(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                 const wchar_t* text);
// The box hook answers in place of the user; `closer` (may be null) tells it
// when the box is taken down.
using MessageBoxHook = int (*)(WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                               unsigned flags, const BoxCloser* closer);
void SetTextMessageHook(TextMessageHook hook);
void SetMessageBoxHook(MessageBoxHook hook);

// Makes the calling thread play the window thread: messages sent from other
// threads then wait until this thread handles them, in PumpSentMessages or
// while it waits for a Thread, as SendMessageW does on Windows.
void BindWindowThread();
void UnbindWindowThread();
// Handles the messages that other threads are waiting on; returns how many.
int PumpSentMessages();
#endif

} // namespace platform
