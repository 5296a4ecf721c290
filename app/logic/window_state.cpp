#include "app/logic/window_state.h"

#include "app/logic/shell_constants.h"
#include "settings/settings.h"

void CaptureWindowStateInto(Settings& settings, std::uint32_t style, const WindowRect* rect, bool visible,
                            bool maximizeWhenShown) {
  if (rect != nullptr && (style & (StyleMinimizeBit | StyleMaximizeBit)) == 0) {
    settings.WindowPosX = rect->Left;
    settings.WindowPosY = rect->Top;
    settings.WindowWidth = static_cast<std::uint32_t>(rect->Right - rect->Left);
    settings.WindowHeight = static_cast<std::uint32_t>(rect->Bottom - rect->Top);
  }
  settings.IsMaximized = (style & StyleMaximizeBit) != 0 || maximizeWhenShown;
  settings.IsPopup = (style & StylePopupBit) != 0;
  settings.IsVisible = visible;
}

StyleChange TogglePopupStyles(std::uint32_t style, std::uint32_t exStyle) {
  StyleChange change;
  change.WasMaximized = (style & StyleMaximizeBit) != 0;
  if ((style & StylePopupBit) != 0) {
    change.Style = NormalWindowStyle;
    change.ExStyle = exStyle & ~ExStyleToolWindow;
  } else {
    change.Style = PopupWindowStyle;
    change.ExStyle = exStyle | ExStyleToolWindow;
  }
  return change;
}

StyleChange StartupStyles(bool isPopup, std::uint32_t exStyle) {
  StyleChange change;
  change.Style = isPopup ? PopupWindowStyle : NormalWindowStyle;
  change.ExStyle = isPopup ? (exStyle | ExStyleToolWindow) : exStyle;
  return change;
}
