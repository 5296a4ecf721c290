#include "app/logic/tray_status.h"

#include "app/logic/shell_constants.h"
#include "capture/status_message.h"
#include "res/resource.h"

StatusEffect DecideStatus(std::uint32_t wParam, const wchar_t* text, std::uint64_t now,
                          std::uint64_t& holdUntil) {
  StatusEffect effect;
  const std::uint32_t state = wParam & StatusStateMask;
  if (state != StatusOk) {
    holdUntil = now + StatusHoldMs;
  } else if ((wParam & StatusEndsHold) != 0) {
    holdUntil = 0;
  } else if (now < holdUntil) {
    effect.Ignored = true;
    return effect;
  }

  if (text == nullptr) {
    effect.SetBalloon = true;
    effect.BalloonIcon = BalloonNone;
  } else {
    const wchar_t* title = nullptr;
    const wchar_t* tipPrefix = nullptr;
    std::uint32_t icon = BalloonNone;
    switch (state) {
    case StatusOk:
      title = L"Bytwacht";
      tipPrefix = L"Status: OK\n";
      icon = BalloonInfo;
      break;
    case StatusWarning:
      title = L"Bytwacht - Warnung";
      tipPrefix = L"Status: WARNUNG\n";
      icon = BalloonWarning;
      break;
    case StatusError:
      title = L"Bytwacht - Fehler";
      tipPrefix = L"Status: FEHLER\n";
      icon = BalloonError;
      break;
    default: break;
    }
    if (title != nullptr && (wParam & StatusShowBalloon) != 0) {
      effect.SetBalloon = true;
      effect.BalloonTitle = title;
      effect.BalloonText = text;
      effect.BalloonIcon = icon;
    }
    if (tipPrefix != nullptr && (wParam & StatusSetTip) != 0) {
      effect.SetTip = true;
      effect.TipText = std::wstring(tipPrefix) + text;
    }
  }

  switch (state) {
  case StatusOk: effect.IconId = IconOk; break;
  case StatusWarning: effect.IconId = IconWarning; break;
  case StatusError: effect.IconId = IconError; break;
  default: break;
  }
  return effect;
}
