#pragma once
// The texts and pending changes of the notification-area icon, cut to the
// shell's record limits. The Win32 icon object keeps one of these.
#include <cstdint>
#include <string>

class TrayFields {
public:
  static constexpr std::size_t TipLimit = 127;
  static constexpr std::size_t BalloonTitleLimit = 63;
  static constexpr std::size_t BalloonTextLimit = 255;

  void SetTip(const std::wstring& text);
  void ShowBalloon(const std::wstring& title, const std::wstring& text, std::uint32_t icon);
  // The icon changed (it was loaded by the caller).
  void MarkIcon();
  // Flags for the next shell call; cleared whatever the shell answers.
  std::uint32_t TakePendingFlags();

  const std::wstring& TipText() const { return Tip; }
  const std::wstring& BalloonTitle() const { return Title; }
  const std::wstring& BalloonText() const { return Text; }
  std::uint32_t BalloonIcon() const { return Icon; }
  std::uint32_t PendingFlags() const { return Pending; }

private:
  std::wstring Tip;
  std::wstring Title;
  std::wstring Text;
  std::uint32_t Icon = 0;
  std::uint32_t Pending = 0;
};

// The first `limit` characters; a UTF-16 pair is never split in two.
std::wstring CutText(const std::wstring& text, std::size_t limit);
