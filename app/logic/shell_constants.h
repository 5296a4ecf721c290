#pragma once
// Numbers the shell shares between its pure logic and its Win32 edge. The
// Win32 values are repeated here so that the logic builds without windows.h.
#include <cstdint>

// Messages of the program.
constexpr std::uint32_t WM_STATUSINFO = 0x0401;
constexpr std::uint32_t WM_TRAYNOTIFY = 0x0500;

// State in the low four bits of a status message's wParam, flags above it.
constexpr std::uint32_t StatusOk = 1;
constexpr std::uint32_t StatusWarning = 2;
constexpr std::uint32_t StatusError = 4;
constexpr std::uint32_t StatusShowBalloon = 0x10;
constexpr std::uint32_t StatusSetTip = 0x20;

// Context-menu commands.
constexpr std::uint16_t CmdExit = 40002;
constexpr std::uint16_t CmdSelectAdapter = 40004;
constexpr std::uint16_t CmdResetCounter = 40006;
constexpr std::uint16_t CmdSettings = 40008;
constexpr std::uint16_t CmdAbout = 40010;
constexpr std::uint16_t CmdRestartCapture = 40012;

// Icon resources.
constexpr std::uint16_t IconApp = 103;
constexpr std::uint16_t IconError = 108;
constexpr std::uint16_t IconOk = 109;
constexpr std::uint16_t IconWarning = 110;

// Window style bits (the values of windows.h).
constexpr std::uint32_t StylePopupBit = 0x80000000;     // WS_POPUP
constexpr std::uint32_t StyleMinimizeBit = 0x20000000;  // WS_MINIMIZE
constexpr std::uint32_t StyleMaximizeBit = 0x01000000;  // WS_MAXIMIZE
constexpr std::uint32_t ExStyleToolWindow = 0x00000080; // WS_EX_TOOLWINDOW
constexpr std::uint32_t ExStyleLayered = 0x00080000;    // WS_EX_LAYERED

// WS_POPUP | WS_BORDER | WS_SYSMENU, and WS_OVERLAPPEDWINDOW.
constexpr std::uint32_t PopupWindowStyle = 0x80880000;
constexpr std::uint32_t NormalWindowStyle = 0x00CF0000;

// Notification-area record bits (NIF_*, NIIF_*).
constexpr std::uint32_t TrayFlagMessage = 0x1;
constexpr std::uint32_t TrayFlagIcon = 0x2;
constexpr std::uint32_t TrayFlagTip = 0x4;
constexpr std::uint32_t TrayFlagInfo = 0x10;
constexpr std::uint32_t BalloonNone = 0;
constexpr std::uint32_t BalloonInfo = 1;
constexpr std::uint32_t BalloonWarning = 2;
constexpr std::uint32_t BalloonError = 3;
