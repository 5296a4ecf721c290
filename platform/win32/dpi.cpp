#include "platform/win32/dpi.h"

#include "platform/win32/owned_handles.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Looked up at run time: the program also starts where user32 lacks it.
GetDpiForWindowFn PerWindowDpi() {
  static const auto function = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return function;
}

} // namespace

int WindowDpi(HWND window) {
  if (GetDpiForWindowFn perWindow = PerWindowDpi(); perWindow != nullptr && window != nullptr) {
    if (const UINT dpi = perWindow(window); dpi != 0) return static_cast<int>(dpi);
  }
  WindowDC screen(nullptr);
  const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}
