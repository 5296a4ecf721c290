#pragma once
// What the capture engine needs from the user interface: status messages to
// the main window (sent, so the sender waits until the window handled them) and
// message boxes. The native build hands both to hooks, so tests see every
// message and answer every box.
#include <cstdint>

#include "platform/handles.h"

namespace platform {

// Message boxes: flags and answers carry the Win32 values.
constexpr unsigned BoxOk = 0x0, BoxYesNo = 0x4, BoxIconError = 0x10, BoxIconExclamation = 0x30;
constexpr int AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7;

// Sends message `message` with wParam and the text as lParam to `window` and
// returns when the window procedure has handled it.
void SendTextMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, const wchar_t* text);
int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags);

#ifndef _WIN32
// Native stand-ins for the window. Without a hook a message goes nowhere and a
// box answers AnswerCancel for two-button boxes and AnswerOk otherwise.
using TextMessageHook = void (*)(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                 const wchar_t* text);
using MessageBoxHook = int (*)(WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                               unsigned flags);
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
