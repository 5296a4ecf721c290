#pragma once
// The notification-area icon: its picture, tip and balloon, and the status
// and mouse messages that change them.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "app/logic/tray_fields.h"
#include "platform/win32/owned_handles.h"

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
  bool Update();
  bool Remove();

  // WM_STATUSINFO and WM_TRAYNOTIFY of the main window.
  LRESULT HandleStatusInfo(WPARAM wParam, LPARAM lParam);
  LRESULT HandleTrayNotify(WPARAM wParam, LPARAM lParam);
  // The tip from the newest sample, at most once per sample.
  void RebuildTip();

private:
  NOTIFYICONDATAW Record(std::uint32_t flags) const;

  HWND OwnerWindow;
  UINT Uid;
  std::uint16_t IconId = 0;
  OwnedIcon Icon;
  TrayFields Fields;
  std::uint64_t StatusHoldUntil = 0;
};
