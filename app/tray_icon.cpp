#include "app/tray_icon.h"

#include <shellapi.h>

#include <cwchar>

#include "app/logic/shell_constants.h"
#include "app/logic/tip_text.h"
#include "app/logic/tray_status.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "app/shell_helpers.h"
#include "capture/capture_engine.h"
#include "capture/status_message.h"
#include "platform/win32/diagnostics.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// The record layout with the balloon members and without the GUID. Its size is
// 936 bytes in a 32-bit program and larger here; the shell tells the layouts
// apart by this size, so it must be the one of this build.
constexpr DWORD TrayRecordSize = NOTIFYICONDATAW_V2_SIZE;

// Holds the engine's data lock for one scope.
class DataLockGuard {
public:
  explicit DataLockGuard(CaptureEngine& engine) : Locked(engine) { Locked.LockData(); }
  DataLockGuard(const DataLockGuard&) = delete;
  DataLockGuard& operator=(const DataLockGuard&) = delete;
  ~DataLockGuard() { Locked.UnlockData(); }

private:
  CaptureEngine& Locked;
};

void CopyText(wchar_t* target, std::size_t capacity, const std::wstring& text) {
  const std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
  wmemcpy(target, text.data(), n);
  target[n] = L'\0';
}

} // namespace

TrayIcon::TrayIcon(HWND owner, UINT uid) : OwnerWindow(owner), Uid(uid) {}

TrayIcon::~TrayIcon() { Remove(); }

void TrayIcon::SetIcon(std::uint16_t resourceId) {
  if (resourceId == IconId) return;
  // At the system's small-icon size, which grows with the display scaling
  // (the icon files carry 16 to 48 pixels).
  Icon.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                           IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                           GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  if (!Icon) LogLastError(L"LoadImageW (icon)");
  IconId = resourceId;
  Fields.MarkIcon();
}

void TrayIcon::SetTip(const std::wstring& text) { Fields.SetTip(text); }

void TrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text, std::uint32_t balloonIcon) {
  Fields.ShowBalloon(title, text, balloonIcon);
}

NOTIFYICONDATAW TrayIcon::Record(std::uint32_t flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = TrayRecordSize;
  data.hWnd = OwnerWindow;
  data.uID = Uid;
  data.uFlags = flags;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = Icon.Get();
  CopyText(data.szTip, std::size(data.szTip), Fields.TipText());
  CopyText(data.szInfo, std::size(data.szInfo), Fields.BalloonText());
  data.uTimeout = 10000;
  CopyText(data.szInfoTitle, std::size(data.szInfoTitle), Fields.BalloonTitle());
  data.dwInfoFlags = Fields.BalloonIcon();
  return data;
}

bool TrayIcon::Add() {
  NOTIFYICONDATAW data = Record(Fields.TakePendingFlags() | NIF_MESSAGE | NIF_ICON);
  // Before the shell runs this fails; the retry timer and the shell's
  // "TaskbarCreated" add it again.
  if (Shell_NotifyIconW(NIM_ADD, &data)) return true;
  LogLastError(L"Shell_NotifyIconW (NIM_ADD)");
  return false;
}

bool TrayIcon::AddAgain() {
  Fields.SetTip(Fields.TipText());
  return Add();
}

bool TrayIcon::Update() {
  NOTIFYICONDATAW data = Record(Fields.TakePendingFlags());
  if (Shell_NotifyIconW(NIM_MODIFY, &data)) return true;
  LogLastError(L"Shell_NotifyIconW (NIM_MODIFY)");
  return false;
}

// Not reported: the destructor removes the icon once more, after WM_DESTROY did.
bool TrayIcon::Remove() {
  NOTIFYICONDATAW data{};
  data.cbSize = TrayRecordSize;
  data.hWnd = OwnerWindow;
  data.uID = Uid;
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

LRESULT TrayIcon::HandleStatusInfo(std::uintptr_t status, const wchar_t* text) {
  const StatusEffect effect =
      DecideStatus(static_cast<std::uint32_t>(status), text, GetTickCount64(), StatusHoldUntil);
  if (effect.Ignored) return 0;
  if (effect.SetBalloon) ShowBalloon(effect.BalloonTitle, effect.BalloonText, effect.BalloonIcon);
  if (effect.SetTip) SetTip(effect.TipText);
  if (effect.IconId != 0) SetIcon(effect.IconId);
  Update();
  return 0;
}

LRESULT TrayIcon::HandleTrayNotify(WPARAM wParam, LPARAM lParam, Shell& shell) {
  if (wParam != Uid) return 0;
  HWND window = shell.MainWindow;
  const int alpha = shell.AppSettings.WindowAlpha();
  switch (static_cast<UINT>(lParam)) {
  case WM_MOUSEMOVE:
    if (shell.SampleReady.load(std::memory_order_relaxed))
      RebuildTip(shell.Engine, shell.SampleReady, UsageTipLine(shell));
    break;
  case WM_LBUTTONUP:
    if (IsWindowVisible(window)) {
      FadeWindow(window, alpha, 0, 200);
      ShowWindow(window, SW_HIDE);
    } else {
      ShowWindow(window, shell.MaximizeWhenShown ? SW_SHOWMAXIMIZED : SW_SHOW);
      shell.MaximizeWhenShown = false;
      FadeWindow(window, 0, alpha, 200);
    }
    break;
  case WM_LBUTTONDBLCLK: SendMessageW(window, WM_COMMAND, CmdSettings, 0); break;
  case WM_RBUTTONUP:
  case WM_CONTEXTMENU:
    if (!ShellBusy(shell)) ShowTrayMenu(shell.AppInstance, window);
    break;
  default: break;
  }
  return 0;
}

void TrayIcon::RebuildTip(CaptureEngine& engine, std::atomic<bool>& sampleReady,
                          const std::wstring& usageLine) {
  if (!sampleReady.load(std::memory_order_relaxed)) return;
  std::wstring text;
  {
    DataLockGuard lock(engine);
    const TrafficHistory& history = engine.GetBPSData();
    if (history.empty()) return; // tried again on the next mouse move
    text = BuildTipText(history.back(), usageLine);
  }
  // Handled here on the window thread, after the lock is released so that the
  // sampler is not kept waiting. Not as WM_STATUSINFO: the window takes that
  // only with a letter from the engine's mailbox.
  HandleStatusInfo(StatusOk | StatusSetTip, text.c_str());
  sampleReady.store(false, std::memory_order_relaxed);
}
