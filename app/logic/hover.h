#pragma once
// Mouse-over behaviour of the main window: which read-out areas a mouse move
// repaints (at most every 150 ms) and when the window fades to full opacity.
#include <cstdint>

#include "app/logic/window_state.h"
#include "view/dpi_scale.h"

constexpr std::uint64_t HoverRefreshMs = 150;
constexpr int HoverFadeMs = 150;

struct HoverRefresh {
  bool Refresh = false;
  // The band of the read-out overlay.
  WindowRect Band;
  // The strip around the cursor, and the previous one to repaint away.
  WindowRect Strip;
  WindowRect PreviousStrip;
};

enum class HoverFade { None, In, Out };

class HoverState {
public:
  // A mouse move at `now` (64-bit ticks, so that the throttle survives the
  // 32-bit tick wrap) with the cursor at client x; the areas follow the
  // graph's layout at the window's DPI.
  HoverRefresh OnMouseMove(std::uint64_t now, const WindowRect& client, int x, DpiScale scale = {});
  // Whether to fade in (and ask for the mouse-leave notice) on this move.
  HoverFade OnMouseMoveFade(bool fadeOnHover);
  // The mouse left the window. The tracking flag is always cleared, so that a
  // FadeOnHover switched off and on again while hovering still works.
  HoverFade OnMouseLeave(bool fadeOnHover);

  bool Tracking() const { return HoverTracking; }

private:
  bool HoverTracking = false;
  std::uint64_t NextHoverRefresh = 0;
  WindowRect LastCursorStrip;
};
