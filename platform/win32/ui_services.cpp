#include "platform/ui_services.h"

#include <windows.h>

#include <cwchar>
#include <utility>

namespace platform {
namespace {

// Clicks the declining button of every message box of the enumerated thread.
BOOL CALLBACK DeclineBox(HWND window, LPARAM) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (std::wcscmp(className, L"#32770") != 0) return TRUE;
  int id = IDOK;
  if (GetDlgItem(window, IDNO) != nullptr)
    id = IDNO;
  else if (GetDlgItem(window, IDCANCEL) != nullptr)
    id = IDCANCEL;
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
  return TRUE;
}

TextMailbox& Mailbox() {
  static TextMailbox mailbox;
  return mailbox;
}

} // namespace

void SendTextMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, const wchar_t* text) {
  TextLetter letter;
  letter.Window = window;
  letter.Message = message;
  letter.WParam = wParam;
  letter.HasText = text != nullptr;
  if (text != nullptr) letter.Text = text;
  const std::uintptr_t number = Mailbox().Put(std::move(letter));
  SendMessageW(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(number));
  // Taken by now, unless the window was gone.
  Mailbox().Withdraw(number);
}

bool TakeTextMessage(WindowHandle window, unsigned message, std::uintptr_t lParam, TextLetter& letter) {
  return Mailbox().Take(lParam, window, message, letter);
}

void DeclineBoxesOfThread(std::uint32_t thread) { EnumThreadWindows(thread, DeclineBox, 0); }

int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags,
                   BoxCloser* closer) {
  if (closer != nullptr) {
    closer->ShowingThread = GetCurrentThreadId();
    if (closer->Closed()) return DeclineAnswer(flags);
  }
  return MessageBoxW(static_cast<HWND>(owner), text, caption, flags);
}

void BoxCloser::Close() {
  IsClosed = true;
  if (const DWORD thread = ShowingThread.load()) DeclineBoxesOfThread(thread);
}

} // namespace platform
