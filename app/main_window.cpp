#include "app/main_window.h"

#include "app/about_box.h"
#include "app/logic/hover.h"
#include "app/logic/settings_change.h"
#include "app/logic/shell_constants.h"
#include "app/logic/window_state.h"
#include "app/shell.h"
#include "app/shell_helpers.h"
#include "app/window_placement.h"
#include "capture/status_message.h"
#include "platform/ui_services.h"
#include "platform/win32/diagnostics.h"
#include "platform/win32/dpi.h"
#include "res/resource.h"
#include "view/win32/paint_graph.h"

namespace {

constexpr UINT_PTR AutosaveTimer = 1;
constexpr UINT_PTR TrayRetryTimer = 2;
constexpr UINT AutosavePeriodMs = 300000;
constexpr int ShowHideFadeMs = 200;

WindowRect ToWindowRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const WindowRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

int Alpha(const Shell& shell) { return shell.AppSettings.WindowAlpha(); }

// The shell of the window, from its creation parameter on (null before WM_NCCREATE).
Shell* ShellOf(HWND window) { return reinterpret_cast<Shell*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

void ClosePath(Shell& shell, HWND window) {
  // Captured while the window still has its current visibility, so that a
  // window hidden to the icon is stored as hidden.
  SaveSettings(shell);
  FadeWindow(window, Alpha(shell), 0, ShowHideFadeMs);
  ShowWindow(window, SW_HIDE);
  DestroyWindow(window);
}

// An exit asked for while start-up shows the adapter dialog or its error box
// (the uninstaller's close, "Programm beenden" from the icon): the dialog goes
// as if declined and start-up ends as failed. Waiting for it would keep the
// process alive behind a box nobody may be looking at.
void LeaveStartup(Shell& shell) {
  shell.ExitDuringStartup = true;
  platform::DeclineBoxesOfThread(GetCurrentThreadId());
}

void ApplySettingsSheet(Shell& shell, HWND window) {
  Settings& settings = shell.AppSettings;
  Settings before;
  before = settings;
  if (!settings.ShowSettingsSheet(shell.AppInstance, window)) return;
  DrawHint(window, L"Einstellungen werden übernommen...");
  FadeWindow(window, before.WindowAlpha(), Alpha(shell), ShowHideFadeMs);
  SetWindowPos(window, settings.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE);
  switch (DecideEngineAction(before, settings)) {
  case EngineAction::RestartCapture: shell.Engine.StartCapture(true); break;
  case EngineAction::ClearHistory: shell.Engine.ClearHistory(); break;
  case EngineAction::RecomputeAverages: shell.Engine.RecomputeAverages(); break;
  case EngineAction::None: break;
  }
  SaveSettings(shell);
  // A new limit or start day may put the month past the limit at once.
  CheckUsageLimit(shell);
}

void OnCommand(Shell& shell, HWND window, WPARAM command) {
  if (shell.Starting && command == CmdExit) {
    LeaveStartup(shell);
    return;
  }
  if (ShellBusy(shell)) return;
  ModalScope modal(shell);
  switch (command) {
  case CmdExit: ClosePath(shell, window); break;
  case CmdSelectAdapter:
    if (shell.Engine.SelectAdapter()) {
      shell.Engine.StartCapture(true);
      DrawHint(window, L"Re-Initialisierung...");
      SaveSettings(shell);
    }
    break;
  case CmdResetCounter:
    if (MessageBoxW(window, L"Wollen Sie wirklich den Traffic-Zähler zurücksetzen?",
                    L"Traffic-Zähler zurücksetzen", MB_YESNO | MB_ICONQUESTION) == IDYES)
      shell.AppSettings.BytesTransmitted = 0;
    break;
  case CmdSettings: ApplySettingsSheet(shell, window); break;
  case CmdAbout: ShowAboutBox(window); break;
  case CmdRestartCapture:
    if (MessageBoxW(
            window,
            L"Wollen Sie wirklich das Capturing neu initialisieren?\n\nVerwenden Sie diese Funktion nur, "
            L"wenn keine Daten mehr aufgezeichnet werden oder andere Probleme aufgetreten sind!",
            L"Capturing neu starten", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      DrawHint(window, L"Re-Initialisierung...");
      shell.Engine.StartCapture(true);
    }
    break;
  case CmdUsage: ShowUsage(shell, window); break;
  default: break;
  }
}

void OnMouseMove(Shell& shell, HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(window, &cursor);
  const HoverRefresh refresh =
      shell.Hover.OnMouseMove(GetTickCount64(), ToWindowRect(client), cursor.x, DpiScale{WindowDpi(window)});
  if (refresh.Refresh) {
    RECT band = ToRect(refresh.Band);
    RECT strip = ToRect(refresh.Strip);
    RECT previous = ToRect(refresh.PreviousStrip);
    InvalidateRect(window, &band, FALSE);
    InvalidateRect(window, &strip, FALSE);
    InvalidateRect(window, &previous, FALSE);
  }
  if (shell.Hover.OnMouseMoveFade(shell.AppSettings.FadeOnHover) == HoverFade::In) {
    if (!TrackMouseEvent(&shell.LeaveTracking)) LogLastError(L"TrackMouseEvent");
    FadeWindow(window, Alpha(shell), 255, HoverFadeMs);
  }
}

void OnCreate(Shell& shell, HWND window) {
  TrayIcon& tray = *shell.Tray;
  tray.SetTip(L"Bytwacht - Initialisierung");
  tray.SetIcon(IconWarning);
  if (!tray.Add()) {
    // Explorer may come up after the programs it starts at logon.
    shell.TrayRetry.Begin(GetTickCount64());
    if (!SetTimer(window, TrayRetryTimer, TrayRetryPeriodMs, nullptr)) LogLastError(L"SetTimer (icon)");
  }
  if (!SetTimer(window, AutosaveTimer, AutosavePeriodMs, nullptr)) LogLastError(L"SetTimer");
  shell.LeaveTracking.cbSize = sizeof(shell.LeaveTracking);
  shell.LeaveTracking.dwFlags = TME_LEAVE;
  shell.LeaveTracking.hwndTrack = window;
  shell.LeaveTracking.dwHoverTime = HOVER_DEFAULT;
}

// An add of the icon besides the first: from the retry timer or after the
// taskbar was re-created. The timer stops once the icon is there.
void AddIconAgain(Shell& shell, HWND window, bool fromTimer) {
  const bool added = fromTimer ? shell.Tray->AddAgain() : shell.Tray->Add();
  if (shell.TrayRetry.Retrying() && !shell.TrayRetry.AfterAttempt(GetTickCount64(), added))
    KillTimer(window, TrayRetryTimer);
}

// Sleep and wake-up. Windows gives the suspend message about two seconds:
// the capture ends, its last bytes counted, and everything is saved before
// the machine sleeps. After the wake-up the capture comes back by itself, on
// the same adapter, without a question.
LRESULT OnPowerBroadcast(Shell& shell, HWND window, WPARAM event) {
  switch (event) {
  case PBT_APMSUSPEND:
    shell.Engine.SuspendCapture();
    SaveSettings(shell);
    break;
  case PBT_APMRESUMEAUTOMATIC:
  case PBT_APMRESUMESUSPEND:
    // A wake-up by the user brings both; the second finds the capture started.
    shell.Engine.ResumeCapture();
    ReassertTopmost(window, shell.AppSettings.AlwaysOnTop);
    break;
  default: break;
  }
  return TRUE;
}

void PaintGraphOf(Shell& shell, HWND window, HDC dc) {
  PaintGraph(window, dc, shell.Engine, shell.AppSettings, shell.Graph, shell.GraphPicture);
}

LRESULT HandleMessage(Shell& shell, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TrayIcon& tray = *shell.Tray;
  switch (message) {
  case WM_CREATE: OnCreate(shell, window); return 0;
  case WM_DESTROY:
    shell.Addresses.Stop();
    tray.Remove();
    KillTimer(window, AutosaveTimer);
    KillTimer(window, TrayRetryTimer);
    PostQuitMessage(0);
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    PaintGraphOf(shell, window, dc);
    EndPaint(window, &paint);
    return 0;
  }
  case WM_PRINTCLIENT: PaintGraphOf(shell, window, reinterpret_cast<HDC>(wParam)); return 0;
  case WM_ERASEBKGND: return 1; // the graph paints every pixel
  case WM_CLOSE:
    if (shell.Starting)
      LeaveStartup(shell);
    else if (!ShellBusy(shell))
      ClosePath(shell, window);
    return 0;
  case WM_QUERYENDSESSION:
    // Before start-up has finished there is nothing of this run worth storing
    // over the file: no adapter chosen yet, a window not yet shown.
    if (!shell.Starting) SaveSettings(shell);
    FadeWindow(window, Alpha(shell), 0, ShowHideFadeMs);
    ShowWindow(window, SW_HIDE);
    return TRUE;
  case WM_TIMER:
    if (wParam == AutosaveTimer && !shell.Starting) SaveSettings(shell);
    if (wParam == TrayRetryTimer) AddIconAgain(shell, window, true);
    return 0;
  case WM_DISPLAYCHANGE:
    // A monitor came or went, or changed its resolution.
    KeepWindowOnScreen(window);
    ReassertTopmost(window, shell.AppSettings.AlwaysOnTop);
    return 0;
  case WM_DPICHANGED: ApplyDpiChange(window, *reinterpret_cast<const RECT*>(lParam)); return 0;
  case WM_POWERBROADCAST: return OnPowerBroadcast(shell, window, wParam);
  case WM_SYSCOMMAND: {
    // Record the normal rectangle before it is replaced.
    const WPARAM command = wParam & 0xFFF0;
    if (command == SC_MAXIMIZE || command == SC_MINIMIZE) CaptureWindowState(shell);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  case WM_COMMAND: OnCommand(shell, window, wParam); return 0;
  case WM_MOUSEMOVE: OnMouseMove(shell, window); return 0;
  case WM_MOUSELEAVE:
    if (shell.Hover.OnMouseLeave(shell.AppSettings.FadeOnHover) == HoverFade::Out)
      FadeWindow(window, 255, Alpha(shell), HoverFadeMs);
    return 0;
  case WM_LBUTTONDOWN: SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0); return 0;
  case WM_LBUTTONDBLCLK: TogglePopupStyle(shell); return 0;
  case WM_RBUTTONUP: ShowContextMenu(shell.AppInstance, window); return 0;
  case WM_STATUSINFO: {
    // Only what the engine's threads wrote: another process's message names no letter.
    platform::TextLetter letter;
    if (!platform::TakeTextMessage(window, message, static_cast<std::uintptr_t>(lParam), letter)) return 0;
    return tray.HandleStatusInfo(letter.WParam, letter.HasText ? letter.Text.c_str() : nullptr);
  }
  case WM_TRAYNOTIFY: return tray.HandleTrayNotify(wParam, lParam, shell);
  case WM_USAGESAMPLE:
    // A new sample: the graph and the usage.
    InvalidateRect(window, nullptr, FALSE);
    OnUsageSample(shell);
    return 0;
  case WM_ADDRESSCHANGE:
    shell.Addresses.Taken();
    shell.Engine.AddressesMayHaveChanged();
    return 0;
  default:
    if (message == shell.TaskbarCreatedMessage && message != 0) {
      AddIconAgain(shell, window, false);
      ReassertTopmost(window, shell.AppSettings.AlwaysOnTop);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

} // namespace

bool ShellBusy(const Shell& shell) { return shell.ModalDepth > 0; }

void CaptureWindowState(Shell& shell) {
  HWND window = shell.MainWindow;
  // A window that is already gone has nothing to tell; its last state stays.
  if (!IsWindow(window)) return;
  const auto style = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE));
  RECT rect{};
  const bool haveRect = GetWindowRect(window, &rect) != FALSE;
  const WindowRect outer = ToWindowRect(rect);
  CaptureWindowStateInto(shell.AppSettings, style, haveRect ? &outer : nullptr,
                         IsWindowVisible(window) != FALSE, shell.MaximizeWhenShown);
}

void SaveSettings(Shell& shell) {
  CaptureWindowState(shell);
  // The usage file is written with the settings file, always in this one place.
  SaveSettingsAndUsage(shell);
}

void TogglePopupStyle(Shell& shell) {
  HWND window = shell.MainWindow;
  ShowWindow(window, SW_HIDE);
  const StyleChange change =
      TogglePopupStyles(static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE)),
                        static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE)));
  shell.AppSettings.IsMaximized = change.WasMaximized;
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(change.Style));
  SetWindowLongW(window, GWL_EXSTYLE, static_cast<LONG>(change.ExStyle));
  if (change.WasMaximized) ShowWindow(window, SW_MAXIMIZE);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    // The shell comes with the window's creation; the icon is bound to the
    // window from here on.
    auto* shell = static_cast<Shell*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shell));
    if (!shell->Tray) shell->Tray.emplace(window, TrayIconUid);
  }
  Shell* shell = ShellOf(window);
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) need no shell.
  if (shell == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return HandleMessage(*shell, window, message, wParam, lParam);
}
