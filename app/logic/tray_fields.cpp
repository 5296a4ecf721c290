#include "app/logic/tray_fields.h"

#include "app/logic/shell_constants.h"

std::wstring CutText(const std::wstring& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  // A lone high surrogate at the end would show as a broken character.
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
  return text.substr(0, end);
}

void TrayFields::SetTip(const std::wstring& text) {
  Tip = CutText(text, TipLimit);
  Pending |= TrayFlagTip;
}

void TrayFields::ShowBalloon(const std::wstring& title, const std::wstring& text, std::uint32_t icon) {
  Title = CutText(title, BalloonTitleLimit);
  Text = CutText(text, BalloonTextLimit);
  Icon = icon;
  Pending |= TrayFlagInfo;
}

void TrayFields::MarkIcon() { Pending |= TrayFlagIcon; }

std::uint32_t TrayFields::TakePendingFlags() {
  const std::uint32_t flags = Pending;
  Pending = 0;
  return flags;
}
