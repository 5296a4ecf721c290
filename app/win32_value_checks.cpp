// The pure parts copy some Win32 values so that they build without windows.h.
// This file holds every such copy to the real constant: a copy that drifts
// breaks the Windows build here instead of misbehaving at run time.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <shellapi.h>

#include <cstddef>

#include "app/logic/shell_constants.h"
#include "app/logic/tray_fields.h"
#include "capture/pcap_api.h"
#include "capture/status_message.h"
#include "platform/handles.h"
#include "platform/ui_services.h"

// Messages of the program lie in the range that WM_USER leaves to a window class.
static_assert(WM_STATUSINFO == WM_USER + 1);
static_assert(WM_TRAYNOTIFY >= WM_USER && WM_TRAYNOTIFY < WM_APP);
static_assert(WM_USAGESAMPLE == WM_USER + 2);
static_assert(WM_ADDRESSCHANGE == WM_USER + 3);

// Window styles.
static_assert(StylePopupBit == WS_POPUP);
static_assert(StyleMinimizeBit == WS_MINIMIZE);
static_assert(StyleMaximizeBit == WS_MAXIMIZE);
static_assert(ExStyleToolWindow == WS_EX_TOOLWINDOW);
static_assert(ExStyleLayered == WS_EX_LAYERED);
static_assert(PopupWindowStyle == (WS_POPUP | WS_BORDER | WS_SYSMENU));
static_assert(NormalWindowStyle == WS_OVERLAPPEDWINDOW);

// The notification-area record: flags, balloon icons and text capacities.
static_assert(TrayFlagIcon == NIF_ICON);
static_assert(TrayFlagTip == NIF_TIP);
static_assert(TrayFlagInfo == NIF_INFO);
static_assert(BalloonNone == NIIF_NONE);
static_assert(BalloonInfo == NIIF_INFO);
static_assert(BalloonWarning == NIIF_WARNING);
static_assert(BalloonError == NIIF_ERROR);
static_assert(TrayFields::TipLimit + 1 == sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t));
static_assert(TrayFields::BalloonTitleLimit + 1 == sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(wchar_t));
static_assert(TrayFields::BalloonTextLimit + 1 == sizeof(NOTIFYICONDATAW::szInfo) / sizeof(wchar_t));

// Message boxes of the engine's threads.
static_assert(platform::BoxOk == MB_OK);
static_assert(platform::BoxYesNo == MB_YESNO);
static_assert(platform::BoxIconError == MB_ICONERROR);
static_assert(platform::BoxIconExclamation == MB_ICONEXCLAMATION);
static_assert(platform::AnswerOk == IDOK);
static_assert(platform::AnswerCancel == IDCANCEL);
static_assert(platform::AnswerYes == IDYES);
static_assert(platform::AnswerNo == IDNO);

// Opaque handles.
static_assert(sizeof(ModuleHandle) == sizeof(HINSTANCE));
static_assert(sizeof(WindowHandle) == sizeof(HWND));

// The capture library's records as Winsock lays them out.
static_assert(PcapFamilyInet == AF_INET);
static_assert(sizeof(PcapSocketAddress) == sizeof(sockaddr_in));
static_assert(offsetof(PcapSocketAddress, Family) == offsetof(sockaddr_in, sin_family));
static_assert(offsetof(PcapSocketAddress, Address) == offsetof(sockaddr_in, sin_addr));
static_assert(PcapFamilyInet6 == AF_INET6);
static_assert(sizeof(PcapSocketAddress6) == sizeof(sockaddr_in6));
static_assert(offsetof(PcapSocketAddress6, Address) == offsetof(sockaddr_in6, sin6_addr));
static_assert(sizeof(PcapPacketHeader) == sizeof(timeval) + 2 * sizeof(std::uint32_t));
