#pragma once
// The status message the engine sends to the main window, and its five texts.
#include <cstdint>

constexpr unsigned WM_STATUSINFO = 0x0401; // WM_USER + 1

// wParam: the state in the low four bits, two flags above them.
constexpr std::uintptr_t StatusOk = 0x1, StatusWarning = 0x2, StatusError = 0x4;
constexpr std::uintptr_t StatusShowBalloon = 0x10, StatusSetTip = 0x20;

constexpr std::uintptr_t CaptureStartedStatus = StatusSetTip | StatusOk;                         // 0x21
constexpr std::uintptr_t FilterWarningStatus = StatusSetTip | StatusShowBalloon | StatusWarning; // 0x32
constexpr std::uintptr_t CaptureErrorStatus = StatusSetTip | StatusShowBalloon | StatusError;    // 0x34

constexpr const wchar_t* CaptureStartedText = L"Paketaufzeichnung wurde gestartet.";
constexpr const wchar_t* FilterCompileText =
    L"Filter kann nicht kompiliert werden werden!\nDer Filter wird ignoriert.";
constexpr const wchar_t* FilterSetText =
    L"Filter kann nicht eingesetzt werden werden!\nDer Filter wird ignoriert.";
constexpr const wchar_t* AdapterOpenStatusText = L"Netzwerkadapter kann nicht geöffnet werden!";
constexpr const wchar_t* LoopEndedStatusText = L"Paketverarbeitungsschleife unerwartet beendet!";
