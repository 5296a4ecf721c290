// Process entry of bytwacht.exe: single-instance guard, start-up, message loop
// and the orderly stop.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <iterator>
#include <string>

#include "app/logic/settings_location.h"
#include "app/logic/window_state.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "app/shell_helpers.h"
#include "app/window_placement.h"
#include "platform/file.h"
#include "platform/win32/diagnostics.h"
#include "platform/win32/dpi.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "settings/win32/autostart.h"
#include "view/dpi_scale.h"

namespace {

constexpr const wchar_t* WindowClassName = L"BytwachtMainWndClass";
constexpr int StartupFadeMs = 200;
// Entry's exit codes.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;

std::wstring MutexName() {
  wchar_t user[128] = {};
  DWORD size = static_cast<DWORD>(std::size(user));
  std::wstring name = L"BytwachtSingleInstanceMutex_";
  if (GetUserNameW(user, &size)) name += user;
  return name;
}

bool UserWantsSecondInstance() {
  const int answer = MessageBoxW(
      nullptr,
      L"Sie haben gerade eine zweite Instanz von Bytwacht für diesen Benutzer gestartet, allerdings sollte\n"
      L"nach Möglichkeit nur eine einzige Instanz laufen!\n\n"
      // "Konflinkten" and "Grundsätzlich" are kept on purpose: users and tests know this text.
      L"Grund:\tWenn mehrere Instanzen gleichzeitig laufen, kann es zu Konflinkten beim\n"
      L"\tZugriff auf die Einstellungs-Datei (bytwacht.ini) kommen!\n"
      L"\tAußerdem werden Grundsätzlich nur die Einstellungen der Instanz gespeichert,\n"
      L"\tdie zuletzt beendet wird!\n\n"
      L"Soll die zweite Instanz weiter ausgeführt werden (nicht empfohlen)?",
      L"Zweite Instanz von Bytwacht", MB_YESNO | MB_ICONINFORMATION);
  return answer != IDNO;
}

HICON LoadAppIcon(HINSTANCE instance) {
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IconApp));
  if (icon == nullptr) LogLastError(L"LoadIconW");
  return icon;
}

// The caption's and taskbar's small picture, drawn at that size rather than
// shrunk from the large one.
HICON LoadSmallAppIcon(HINSTANCE instance) {
  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconApp), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                            LR_DEFAULTCOLOR | LR_SHARED));
  if (icon == nullptr) LogLastError(L"LoadImageW (small icon)");
  return icon;
}

HWND CreateMainWindow(Shell& shell) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = shell.AppInstance;
  windowClass.hIcon = LoadAppIcon(shell.AppInstance);
  windowClass.hIconSm = LoadSmallAppIcon(shell.AppInstance);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = WindowClassName;
  // A failure also shows up as a failed creation.
  if (!RegisterClassExW(&windowClass)) LogLastError(L"RegisterClassExW");
  HWND window =
      CreateWindowExW(WS_EX_LAYERED, WindowClassName, L"Bytwacht", WS_OVERLAPPEDWINDOW, 0, 0,
                      DefaultWindowWidth, DefaultWindowHeight, nullptr, nullptr, shell.AppInstance, &shell);
  if (window == nullptr) {
    LogLastError(L"CreateWindowExW");
    return nullptr;
  }
  // 300 x 100 at 100 %; the DPI is the window's own, known once it exists.
  const DpiScale scale{WindowDpi(window)};
  if (scale.Dpi != BaseDpi)
    SetWindowPos(window, nullptr, 0, 0, scale.Px(DefaultWindowWidth), scale.Px(DefaultWindowHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return window;
}

void ApplyStoredWindowSettings(Shell& shell) {
  const Settings& settings = shell.AppSettings;
  HWND window = shell.MainWindow;
  const StyleChange styles =
      StartupStyles(settings.IsPopup, static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(styles.Style));
  SetWindowLongW(window, GWL_EXSTYLE, static_cast<LONG>(styles.ExStyle));
  const int width = static_cast<int>(settings.WindowWidth);
  const int height = static_cast<int>(settings.WindowHeight);
  SetWindowPos(window, settings.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, settings.WindowPosX,
               settings.WindowPosY, width, height, SWP_FRAMECHANGED);
  // The stored rectangle is in physical pixels. Moved onto a monitor of
  // another DPI, the window took the size the system suggested for it; the
  // stored one holds.
  RECT placed{};
  if (GetWindowRect(window, &placed) &&
      (placed.right - placed.left != width || placed.bottom - placed.top != height))
    SetWindowPos(window, nullptr, settings.WindowPosX, settings.WindowPosY, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // On the normal rectangle, before any maximising.
  KeepWindowOnScreen(window);
  // A window that is to stay hidden is not maximised now: that would make it
  // visible to the system but fully transparent. It is maximised when shown.
  if (settings.IsMaximized) {
    if (settings.IsVisible)
      ShowWindow(window, SW_MAXIMIZE);
    else
      shell.MaximizeWhenShown = true;
  }
}

// The settings file's path: beside the exe when a bytwacht.ini lies there
// (portable use), otherwise in the user's application-data folder, made if
// need be; empty when there is no such folder.
std::wstring SettingsPath(HWND owner) {
  wchar_t appData[MAX_PATH] = {};
  const HRESULT found = SHGetFolderPathW(owner, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  if (FAILED(found)) {
    LogFailure(L"SHGetFolderPathW", static_cast<unsigned long>(found));
    appData[0] = L'\0';
  }
  const SettingsLocation location = ChooseSettingsLocation(ModulePath(), appData, platform::PathExists);
  // An existing folder is fine; any other failure shows when the file is saved.
  if (!location.Portable && !location.Folder.empty() && !CreateDirectoryW(location.Folder.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS)
    LogLastError(L"CreateDirectoryW");
  return location.File;
}

bool InitApplication(Shell& shell) {
  Settings& settings = shell.AppSettings;
  // Without the folder the path stays empty: the load fails and the program
  // runs on defaults, rather than keeping its file in the drive's root.
  settings.FilePath = SettingsPath(shell.MainWindow);
  if (settings.Load()) ApplyStoredWindowSettings(shell);
  LoadUsage(shell);
  // An entry that an earlier version wrote without quotes becomes safe.
  QuoteBareAutostart(AutostartKeyPath, ModulePath());

  ConfigureEngine(shell);
  shell.Addresses.Start(shell.MainWindow);
  // Started with the user's logon, the program may be quicker than the
  // Wi-Fi or a USB adapter: the capture waits a while for its adapter.
  const bool capturing = !shell.ExitDuringStartup && shell.Engine.StartCapture(false, AdapterWait::AtLaunch);
  // Asked to leave while the adapter dialog was up: no error box, which would
  // only hold the exit up again.
  if (shell.ExitDuringStartup) {
    shell.Engine.StopCapture();
    return false;
  }
  if (!capturing) {
    MessageBoxW(
        shell.MainWindow,
        // "ihre" is kept on purpose: users and tests know this text.
        L"Fehler: Das Packet-Capturing konnte nicht initialisiert werden!\n\nEventuell konnte WinPCap "
        L"nicht geladen werden.\nÜberprüfen Sie ihre WinPCap-Installation.\n\n"
        L"Bytwacht braucht Npcap, erhältlich unter https://npcap.com/.",
        L"Fehler", MB_ICONERROR);
    return false;
  }
  if (settings.IsVisible) {
    ShowWindow(shell.MainWindow, SW_SHOW);
    UpdateWindow(shell.MainWindow);
    FadeWindow(shell.MainWindow, 0, settings.WindowAlpha(), StartupFadeMs);
  }
  return true;
}

int RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return ExitOk;
}

int Run(Shell& shell) {
  OwnedKernelHandle instanceMutex(CreateMutexW(nullptr, TRUE, MutexName().c_str()));
  if (!instanceMutex) LogLastError(L"CreateMutexW");
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS && !UserWantsSecondInstance()) return ExitOk;

  // Trackbar and up-down of the settings pages, the lists of the usage dialog.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES |
                                                      ICC_LISTVIEW_CLASSES};
  if (!InitCommonControlsEx(&controls)) LogLastError(L"InitCommonControlsEx");
  shell.TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
  if (shell.TaskbarCreatedMessage == 0) LogLastError(L"RegisterWindowMessageW");

  shell.MainWindow = CreateMainWindow(shell);
  if (shell.MainWindow == nullptr) {
    MessageBoxW(nullptr, L"Fehler beim Erstellen des Hauptfensters!", L"Fehler", MB_ICONERROR);
    return ExitFailed;
  }
  bool started;
  {
    // The adapter dialog and the boxes of start-up hand the window commands
    // and a close. Commands wait, as they do behind any other dialog, so that
    // nothing half started is stored or destroyed; an exit ends start-up.
    const ModalScope startup(shell);
    shell.Starting = true;
    started = InitApplication(shell);
    shell.Starting = false;
  }
  if (!started) {
    DestroyWindow(shell.MainWindow);
    return ExitFailed;
  }
  // Asked after start-up's last chance to notice: the normal close.
  if (shell.ExitDuringStartup) PostMessageW(shell.MainWindow, WM_CLOSE, 0, 0);
  const int code = RunMessageLoop();
  // The window is gone; its close path saved the settings.
  shell.Engine.StopCapture();
  return code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Built here rather than by a static initialiser; destroyed after wWinMain
  // returns, in the reverse order of its members.
  static Shell shell;
  shell.AppInstance = instance;
  return Run(shell);
}
