#pragma once
// The status message that the capture engine's threads send to the main window
// (sent, so the sender waits until the window has handled it) and the values
// its wParam carries. The text (or none) comes with it through
// platform::SendTextMessage: lParam only names it, so the window honours the
// message from this process's own threads only.
// Free of windows.h so that the native build and the shell's logic use it too.
#include <cstdint>

// WM_USER + 1.
constexpr std::uint32_t WM_STATUSINFO = 0x0401;

// wParam: the state in the low four bits, flags above them.
constexpr std::uint32_t StatusStateMask = 0xF;
constexpr std::uint32_t StatusOk = 0x1;
constexpr std::uint32_t StatusWarning = 0x2;
constexpr std::uint32_t StatusError = 0x4;
constexpr std::uint32_t StatusShowBalloon = 0x10;
constexpr std::uint32_t StatusSetTip = 0x20;
// With StatusOk: shown even while an earlier warning or error holds the icon.
constexpr std::uint32_t StatusEndsHold = 0x40;

// What the engine sends.
constexpr std::uint32_t CaptureStartedStatus = StatusSetTip | StatusOk;                         // 0x21
constexpr std::uint32_t FilterWarningStatus = StatusSetTip | StatusShowBalloon | StatusWarning; // 0x32
constexpr std::uint32_t CaptureErrorStatus = StatusSetTip | StatusShowBalloon | StatusError;    // 0x34
// The adapter cannot be opened yet and the session tries again: the warning
// picture and its reason in the tip, without a balloon.
constexpr std::uint32_t AdapterWaitStatus = StatusSetTip | StatusWarning; // 0x22
// The capture started after such a wait: the warning is over at once.
constexpr std::uint32_t CaptureAfterWaitStatus = CaptureStartedStatus | StatusEndsHold; // 0x61
