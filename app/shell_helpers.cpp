#include "app/logic/fade_plan.h"
#include "app/shell_state.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"

void FadeWindow(HWND window, int fromAlpha, int toAlpha, int durationMs) {
  const FadePlan plan = PlanFade(fromAlpha, toAlpha, durationMs);
  if (plan.Empty) return;
  SetLayeredWindowAttributes(window, 0, plan.Initial, LWA_ALPHA);
  for (std::uint8_t alpha : plan.Steps) {
    SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    Sleep(static_cast<DWORD>(plan.DelayMs));
  }
  SetLayeredWindowAttributes(window, 0, plan.Final, LWA_ALPHA);
}

void OnSampleTaken() {
  SampleReady.store(true, std::memory_order_relaxed);
  InvalidateRect(MainWindow, nullptr, FALSE);
}

void DrawHint(HWND window, std::wstring_view text) {
  WindowDC dc(window);
  if (dc.Get() == nullptr) return;
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), RGB(0, 128, 255));
  TextOutW(dc.Get(), 10, 10, text.data(), static_cast<int>(text.size()));
}

void ShowContextMenu() {
  OwnedMenu menu(LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.Get(), 0);
  POINT cursor{};
  GetCursorPos(&cursor);
  TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, MainWindow, nullptr);
}

void ShowTrayMenu() {
  SetForegroundWindow(MainWindow);
  ShowContextMenu();
  // Without it the menu stays open when the user clicks elsewhere.
  PostMessageW(MainWindow, WM_NULL, 0, 0);
}
