#pragma once
// What one status message does to the notification-area icon. Warnings and
// errors hold against OK messages for a while, so that a failure stays
// visible even when the capture recovers at once.
#include <cstdint>
#include <string>

constexpr std::uint64_t StatusHoldMs = 15000;

struct StatusEffect {
  // The message is dropped entirely (an OK message inside the hold).
  bool Ignored = false;
  // Balloon to show; an empty text takes a showing balloon down.
  bool SetBalloon = false;
  std::wstring BalloonTitle;
  std::wstring BalloonText;
  std::uint32_t BalloonIcon = 0;
  bool SetTip = false;
  std::wstring TipText;
  // Icon resource to show, 0 to keep the current picture.
  std::uint16_t IconId = 0;
};

// Ticks are 64-bit (GetTickCount64): a 32-bit tick wraps after 49.7 days, and a
// hold compared across the wrap would swallow every OK message for weeks.
// `holdUntil` is updated for warnings, errors and unknown states.
StatusEffect DecideStatus(std::uint32_t wParam, const wchar_t* text, std::uint64_t now,
                          std::uint64_t& holdUntil);
