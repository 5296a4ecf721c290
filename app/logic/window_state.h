#pragma once
// Decisions about the main window's style and geometry, free of Win32 calls.
#include <cstdint>

class Settings;

struct WindowRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const WindowRect&) const = default;
};

// Copies the window's state into the record. The rectangle is taken only from a
// window that is neither minimised nor maximised, so that the next start
// restores the normal placement. `rect` is null when it could not be read (the
// window is already gone): the stored geometry is then kept, never zeroed.
// `maximizeWhenShown`: a hidden window that is to be maximised at its first
// show counts as maximised, so that a save before that show keeps it so.
void CaptureWindowStateInto(Settings& settings, std::uint32_t style, const WindowRect* rect, bool visible,
                            bool maximizeWhenShown = false);

struct StyleChange {
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  bool WasMaximized = false;
};

// The double click: pop-up <-> normal. The style word is replaced whole, the
// extended style only gains or loses the tool-window bit.
StyleChange TogglePopupStyles(std::uint32_t style, std::uint32_t exStyle);

// The styles that start-up gives the window for the stored IsPopup.
StyleChange StartupStyles(bool isPopup, std::uint32_t exStyle);
