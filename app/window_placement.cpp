#include "app/window_placement.h"

#include <vector>

#include "app/logic/placement.h"

namespace {

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcWork;
    reinterpret_cast<std::vector<WindowRect>*>(param)->push_back({r.left, r.top, r.right, r.bottom});
  }
  return TRUE;
}

} // namespace

void KeepWindowOnScreen(HWND window) {
  if (IsIconic(window) || IsZoomed(window)) return;
  RECT r{};
  if (!GetWindowRect(window, &r)) return;
  std::vector<WindowRect> workAreas;
  EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&workAreas));
  const WindowRect now{r.left, r.top, r.right, r.bottom};
  const WindowRect placed = KeepOnScreen(now, workAreas);
  if (placed == now) return;
  SetWindowPos(window, nullptr, placed.Left, placed.Top, placed.Right - placed.Left,
               placed.Bottom - placed.Top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ApplyDpiChange(HWND window, const RECT& suggested) {
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  KeepWindowOnScreen(window);
  // The graph's font and layout follow the new DPI at the next paint.
  InvalidateRect(window, nullptr, FALSE);
}

void ReassertTopmost(HWND window, bool alwaysOnTop) {
  if (!alwaysOnTop) return;
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
