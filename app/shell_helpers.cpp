#include "app/shell_helpers.h"

#include "app/logic/fade_plan.h"
#include "platform/win32/diagnostics.h"
#include "platform/win32/dpi.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "view/dpi_scale.h"

void FadeWindow(HWND window, int fromAlpha, int toAlpha, int durationMs) {
  const FadePlan plan = PlanFade(fromAlpha, toAlpha, durationMs);
  if (plan.Empty) return;
  // A window that refuses once refuses every step: one report is enough.
  if (!SetLayeredWindowAttributes(window, 0, plan.Initial, LWA_ALPHA))
    LogLastError(L"SetLayeredWindowAttributes");
  for (std::uint8_t alpha : plan.Steps) {
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    Sleep(static_cast<DWORD>(plan.DelayMs));
  }
  SetLayeredWindowAttributes(window, 0, plan.Final, LWA_ALPHA);
}

void DrawHint(HWND window, std::wstring_view text) {
  WindowDC dc(window);
  if (dc.Get() == nullptr) {
    LogLastError(L"GetDC");
    return;
  }
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), RGB(0, 128, 255));
  const int inset = ScaleForDpi(10, WindowDpi(window));
  TextOutW(dc.Get(), inset, inset, text.data(), static_cast<int>(text.size()));
}

void ShowContextMenu(HINSTANCE instance, HWND owner) {
  OwnedMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
  if (!menu) {
    LogLastError(L"LoadMenuW");
    return;
  }
  HMENU popup = GetSubMenu(menu.Get(), 0);
  POINT cursor{};
  GetCursorPos(&cursor);
  if (!TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr)) LogLastError(L"TrackPopupMenu");
}

void ShowTrayMenu(HINSTANCE instance, HWND owner) {
  SetForegroundWindow(owner);
  ShowContextMenu(instance, owner);
  // Without it the menu stays open when the user clicks elsewhere.
  PostMessageW(owner, WM_NULL, 0, 0);
}
