#include "platform/ui_services.h"

#include <windows.h>

namespace platform {

void SendTextMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, const wchar_t* text) {
  SendMessageW(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
               reinterpret_cast<LPARAM>(text));
}

int ShowMessageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption, unsigned flags) {
  return MessageBoxW(static_cast<HWND>(owner), text, caption, flags);
}

} // namespace platform
