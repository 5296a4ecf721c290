// Process entry of bytwacht.exe: single-instance guard, start-up, message loop
// and the orderly stop.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "app/logic/window_state.h"
#include "app/main_window.h"
#include "app/shell_state.h"
#include "capture/capture_engine.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "view/win32/paint_graph.h"

namespace {

constexpr const wchar_t* WindowClassName = L"BytwachtMainWndClass";
constexpr int StartupFadeMs = 200;
// Entry's exit codes.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;

std::wstring MutexName() {
  wchar_t user[128] = {};
  DWORD size = 128;
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

HWND CreateMainWindow(HWND parent) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = AppInstance;
  windowClass.hIcon = LoadIconW(AppInstance, MAKEINTRESOURCEW(IconApp));
  windowClass.hIconSm = LoadIconW(AppInstance, MAKEINTRESOURCEW(IconApp));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = WindowClassName;
  RegisterClassExW(&windowClass); // a failure shows up as a failed creation
  return CreateWindowExW(WS_EX_LAYERED, WindowClassName, L"Bytwacht", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100,
                         parent, nullptr, AppInstance, nullptr);
}

void ApplyStoredWindowSettings() {
  const StyleChange styles =
      StartupStyles(AppSettings.IsPopup, static_cast<std::uint32_t>(GetWindowLongW(MainWindow, GWL_EXSTYLE)));
  SetWindowLongW(MainWindow, GWL_STYLE, static_cast<LONG>(styles.Style));
  SetWindowLongW(MainWindow, GWL_EXSTYLE, static_cast<LONG>(styles.ExStyle));
  SetWindowPos(MainWindow, AppSettings.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, AppSettings.WindowPosX,
               AppSettings.WindowPosY, static_cast<int>(AppSettings.WindowWidth),
               static_cast<int>(AppSettings.WindowHeight), SWP_FRAMECHANGED);
  // A window that is to stay hidden is not maximised now: that would make it
  // visible to the system but fully transparent. It is maximised when shown.
  if (AppSettings.IsMaximized) {
    if (AppSettings.IsVisible)
      ShowWindow(MainWindow, SW_MAXIMIZE);
    else
      MaximizeWhenShown = true;
  }
}

bool InitApplication() {
  wchar_t appData[MAX_PATH] = {};
  // Without the folder the path stays empty: the load fails and the program
  // runs on defaults, rather than keeping its file in the drive's root.
  if (SUCCEEDED(SHGetFolderPathW(MainWindow, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    const std::wstring folder = std::wstring(appData) + L"\\Bytwacht";
    CreateDirectoryW(folder.c_str(), nullptr); // an existing folder is fine
    AppSettings.FilePath = folder + L"\\bytwacht.ini";
  }
  if (AppSettings.Load()) ApplyStoredWindowSettings();

  Engine.Configure(AppInstance, MainWindow, &AppSettings, OnSampleTaken, 15);
  if (!Engine.StartCapture(false)) {
    MessageBoxW(
        MainWindow,
        // "ihre" is kept on purpose: users and tests know this text.
        L"Fehler: Das Packet-Capturing konnte nicht initialisiert werden!\n\nEventuell konnte WinPCap "
        L"nicht geladen werden.\nÜberprüfen Sie ihre WinPCap-Installation.",
        L"Fehler", MB_ICONERROR);
    return false;
  }
  if (AppSettings.IsVisible) {
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);
    FadeWindow(MainWindow, 0, static_cast<int>(AppSettings.Alpha), StartupFadeMs);
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

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  AppInstance = instance;

  OwnedKernelHandle instanceMutex(CreateMutexW(nullptr, TRUE, MutexName().c_str()));
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS && !UserWantsSecondInstance()) return ExitOk;

  // Trackbar and up-down of the settings pages.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  BindGraphSources(Engine, AppSettings);

  MainWindow = CreateMainWindow(nullptr);
  if (MainWindow == nullptr) {
    MessageBoxW(nullptr, L"Fehler beim Erstellen des Hauptfensters!", L"Fehler", MB_ICONERROR);
    return ExitFailed;
  }
  if (!InitApplication()) {
    DestroyWindow(MainWindow);
    return ExitFailed;
  }
  const int code = RunMessageLoop();
  // The window is gone; its close path saved the settings.
  Engine.StopCapture();
  return code;
}
