#pragma once
// Numbers the shell shares between its pure logic and its Win32 edge. The
// Win32 values are repeated here so that the logic builds without windows.h;
// app/win32_value_checks.cpp holds each copy to the real constant. The status
// message lives with the engine that sends it (capture/status_message.h), the
// resource ids in res/resource.h.
#include <cstdint>

// The notification-area icon's mouse messages (WM_USER + 0x100), and the id
// that tells the program's one icon to the shell.
constexpr std::uint32_t WM_TRAYNOTIFY = 0x0500;
constexpr std::uint32_t TrayIconUid = 1;

// Posted by the sampler thread after a sample (WM_USER + 2): the window takes
// the usage over and looks at the monthly limit. Carries nothing.
constexpr std::uint32_t WM_USAGESAMPLE = 0x0402;

// Posted when Windows reports that an interface or an address changed (WM_USER
// + 3): the capture looks up its adapter's addresses again. Carries nothing.
constexpr std::uint32_t WM_ADDRESSCHANGE = 0x0403;

// Window style bits.
constexpr std::uint32_t StylePopupBit = 0x80000000;     // WS_POPUP
constexpr std::uint32_t StyleMinimizeBit = 0x20000000;  // WS_MINIMIZE
constexpr std::uint32_t StyleMaximizeBit = 0x01000000;  // WS_MAXIMIZE
constexpr std::uint32_t ExStyleToolWindow = 0x00000080; // WS_EX_TOOLWINDOW
constexpr std::uint32_t ExStyleLayered = 0x00080000;    // WS_EX_LAYERED

// WS_POPUP | WS_BORDER | WS_SYSMENU, and WS_OVERLAPPEDWINDOW.
constexpr std::uint32_t PopupWindowStyle = 0x80880000;
constexpr std::uint32_t NormalWindowStyle = 0x00CF0000;

// Notification-area record bits (NIF_*, NIIF_*).
constexpr std::uint32_t TrayFlagIcon = 0x2;
constexpr std::uint32_t TrayFlagTip = 0x4;
constexpr std::uint32_t TrayFlagInfo = 0x10;
constexpr std::uint32_t BalloonNone = 0;
constexpr std::uint32_t BalloonInfo = 1;
constexpr std::uint32_t BalloonWarning = 2;
constexpr std::uint32_t BalloonError = 3;
