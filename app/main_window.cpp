#include "app/main_window.h"

#include "app/logic/hover.h"
#include "app/logic/settings_change.h"
#include "app/logic/shell_constants.h"
#include "capture/status_message.h"
#include "res/resource.h"
#include "app/logic/window_state.h"
#include "app/shell_state.h"
#include "app/tray_icon.h"
#include "capture/capture_engine.h"
#include "settings/settings.h"
#include "app/about_box.h"
#include "view/win32/paint_graph.h"

namespace {

constexpr UINT_PTR AutosaveTimer = 1;
constexpr UINT AutosavePeriodMs = 300000;
constexpr int ShowHideFadeMs = 200;

HoverState Hover;
TRACKMOUSEEVENT LeaveTracking{};

// Open while a command shows its modal dialog or box. The tray icon still
// reaches the window then; a second command (another sheet on the same record,
// or an exit that destroys the window under the open sheet) must wait.
int ModalDepth = 0;
class ModalScope {
public:
  ModalScope() { ++ModalDepth; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope() { --ModalDepth; }
};

WindowRect ToWindowRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const WindowRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

int Alpha() { return static_cast<int>(AppSettings.Alpha); }

void ClosePath(HWND window) {
  // Captured while the window still has its current visibility, so that a
  // window hidden to the icon is stored as hidden.
  SaveSettings();
  FadeWindow(window, Alpha(), 0, ShowHideFadeMs);
  ShowWindow(window, SW_HIDE);
  DestroyWindow(window);
}

void ApplySettingsSheet(HWND window) {
  Settings before;
  before = AppSettings;
  if (!AppSettings.ShowSettingsSheet(AppInstance, window)) return;
  DrawHint(window, L"Einstellungen werden übernommen...");
  FadeWindow(window, static_cast<int>(before.Alpha), Alpha(), ShowHideFadeMs);
  SetWindowPos(MainWindow, AppSettings.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE);
  switch (DecideEngineAction(before, AppSettings)) {
  case EngineAction::RestartCapture: Engine.StartCapture(true); break;
  case EngineAction::ClearHistory: Engine.ClearHistory(); break;
  case EngineAction::RecomputeAverages: Engine.RecomputeAverages(); break;
  case EngineAction::None: break;
  }
  SaveSettings();
}

void OnCommand(HWND window, WPARAM command) {
  if (ModalDepth > 0) return;
  ModalScope modal;
  switch (command) {
  case CmdExit: ClosePath(window); break;
  case CmdSelectAdapter:
    if (Engine.SelectAdapter()) {
      Engine.StartCapture(true);
      DrawHint(window, L"Re-Initialisierung...");
      SaveSettings();
    }
    break;
  case CmdResetCounter:
    if (MessageBoxW(window, L"Wollen Sie wirklich den Traffic-Zähler zurücksetzen?",
                    L"Traffic-Zähler zurücksetzen", MB_YESNO | MB_ICONQUESTION) == IDYES)
      AppSettings.BytesTransmitted = 0;
    break;
  case CmdSettings: ApplySettingsSheet(window); break;
  case CmdAbout: ShowAboutBox(window); break;
  case CmdRestartCapture:
    if (MessageBoxW(
            window,
            L"Wollen Sie wirklich das Capturing neu initialisieren?\n\nVerwenden Sie diese Funktion nur, "
            L"wenn keine Daten mehr aufgezeichnet werden oder andere Probleme aufgetreten sind!",
            L"Capturing neu starten", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      DrawHint(window, L"Re-Initialisierung...");
      Engine.StartCapture(true);
    }
    break;
  default: break;
  }
}

void OnMouseMove(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(window, &cursor);
  const HoverRefresh refresh = Hover.OnMouseMove(GetTickCount64(), ToWindowRect(client), cursor.x);
  if (refresh.Refresh) {
    RECT band = ToRect(refresh.Band);
    RECT strip = ToRect(refresh.Strip);
    RECT previous = ToRect(refresh.PreviousStrip);
    InvalidateRect(window, &band, FALSE);
    InvalidateRect(window, &strip, FALSE);
    InvalidateRect(window, &previous, FALSE);
  }
  if (Hover.OnMouseMoveFade(AppSettings.FadeOnHover) == HoverFade::In) {
    TrackMouseEvent(&LeaveTracking);
    FadeWindow(window, Alpha(), 255, HoverFadeMs);
  }
}

} // namespace

bool ShellBusy() { return ModalDepth > 0; }

void CaptureWindowState() {
  // A window that is already gone has nothing to tell; its last state stays.
  if (!IsWindow(MainWindow)) return;
  const auto style = static_cast<std::uint32_t>(GetWindowLongW(MainWindow, GWL_STYLE));
  RECT rect{};
  const bool haveRect = GetWindowRect(MainWindow, &rect) != FALSE;
  const WindowRect outer = ToWindowRect(rect);
  CaptureWindowStateInto(AppSettings, style, haveRect ? &outer : nullptr,
                         IsWindowVisible(MainWindow) != FALSE);
}

void SaveSettings() {
  CaptureWindowState();
  AppSettings.Save();
}

void TogglePopupStyle() {
  HWND window = MainWindow;
  ShowWindow(window, SW_HIDE);
  const StyleChange change =
      TogglePopupStyles(static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE)),
                        static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE)));
  AppSettings.IsMaximized = change.WasMaximized;
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(change.Style));
  SetWindowLongW(window, GWL_EXSTYLE, static_cast<LONG>(change.ExStyle));
  if (change.WasMaximized) ShowWindow(window, SW_MAXIMIZE);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TrayIcon& tray = AppTrayIcon(window);
  switch (message) {
  case WM_CREATE:
    tray.SetTip(L"Bytwacht - Initialisierung");
    tray.SetIcon(IconWarning);
    tray.Add();
    SetTimer(window, AutosaveTimer, AutosavePeriodMs, nullptr);
    LeaveTracking.cbSize = sizeof(LeaveTracking);
    LeaveTracking.dwFlags = TME_LEAVE;
    LeaveTracking.hwndTrack = window;
    LeaveTracking.dwHoverTime = HOVER_DEFAULT;
    return 0;
  case WM_DESTROY:
    tray.Remove();
    KillTimer(window, AutosaveTimer);
    PostQuitMessage(0);
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    PaintGraph(window, dc);
    EndPaint(window, &paint);
    return 0;
  }
  case WM_PRINTCLIENT: PaintGraph(window, reinterpret_cast<HDC>(wParam)); return 0;
  case WM_ERASEBKGND: return 1; // the graph paints every pixel
  case WM_CLOSE:
    if (ModalDepth == 0) ClosePath(window);
    return 0;
  case WM_QUERYENDSESSION:
    SaveSettings();
    FadeWindow(window, Alpha(), 0, ShowHideFadeMs);
    ShowWindow(window, SW_HIDE);
    return TRUE;
  case WM_TIMER:
    if (wParam == AutosaveTimer) SaveSettings();
    return 0;
  case WM_SYSCOMMAND: {
    // Record the normal rectangle before it is replaced.
    const WPARAM command = wParam & 0xFFF0;
    if (command == SC_MAXIMIZE || command == SC_MINIMIZE) CaptureWindowState();
    return DefWindowProcW(window, message, wParam, lParam);
  }
  case WM_COMMAND: OnCommand(window, wParam); return 0;
  case WM_MOUSEMOVE: OnMouseMove(window); return 0;
  case WM_MOUSELEAVE:
    if (Hover.OnMouseLeave(AppSettings.FadeOnHover) == HoverFade::Out)
      FadeWindow(window, 255, Alpha(), HoverFadeMs);
    return 0;
  case WM_LBUTTONDOWN: SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0); return 0;
  case WM_LBUTTONDBLCLK: TogglePopupStyle(); return 0;
  case WM_RBUTTONUP: ShowContextMenu(); return 0;
  case WM_STATUSINFO: return tray.HandleStatusInfo(wParam, lParam);
  case WM_TRAYNOTIFY: return tray.HandleTrayNotify(wParam, lParam);
  default:
    if (message == TaskbarCreatedMessage && message != 0) {
      tray.Add();
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
}
