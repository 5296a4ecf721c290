#pragma once
// The notification-area icon: its picture, tip and balloon, and the status
// and mouse messages that change them.
#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <cstdint>

#include "app/logic/tray_fields.h"
#include "platform/win32/owned_handles.h"

class CaptureEngine;
struct Shell;

class TrayIcon {
public:
  TrayIcon(HWND owner, UINT uid);
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon();

  void SetIcon(std::uint16_t resourceId);
  void SetTip(const std::wstring& text);
  void ShowBalloon(const std::wstring& title, const std::wstring& text, std::uint32_t balloonIcon);
  bool Add();
  // An add after one that failed: the tip that the failed call took along
  // goes with it again.
  bool AddAgain();
  bool Update();
  bool Remove();

  // A status that the engine sent the main window: its wParam and text (may be null).
  LRESULT HandleStatusInfo(std::uintptr_t status, const wchar_t* text);
  // WM_TRAYNOTIFY: the mouse on the icon shows, hides and fades the shell's
  // window, opens its settings or its menu.
  LRESULT HandleTrayNotify(WPARAM wParam, LPARAM lParam, Shell& shell);
  // The tip from the engine's newest sample, at most once per sample: only
  // while `sampleReady` is set, which it then clears.
  // `usageLine` is the month's usage against the limit, empty without one.
  void RebuildTip(CaptureEngine& engine, std::atomic<bool>& sampleReady, const std::wstring& usageLine);

private:
  NOTIFYICONDATAW Record(std::uint32_t flags) const;

  HWND OwnerWindow;
  UINT Uid;
  std::uint16_t IconId = 0;
  OwnedIcon Icon;
  TrayFields Fields;
  std::uint64_t StatusHoldUntil = 0;
};
