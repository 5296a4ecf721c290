// The long-lived objects, all in this one file so that their order of
// construction (and the reverse order of destruction) is the order below.
#include "app/shell_state.h"

#include "app/logic/shell_constants.h"
#include "app/tray_icon.h"
#include "capture/capture_engine.h"
#include "settings/settings.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
std::atomic<bool> SampleReady{false};
bool MaximizeWhenShown = false;

const UINT TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
Settings AppSettings;
CaptureEngine Engine;

TrayIcon& AppTrayIcon(HWND window) {
  // A function-local static: built on first use (the window's first message),
  // hence destroyed before the objects above.
  static TrayIcon icon(window, TrayIconUid);
  return icon;
}
