#pragma once
// Keeps the main window reachable when monitors come and go: a window stored
// on a monitor that is no longer there, or left behind by a resolution change,
// is brought back onto the nearest one.
#include <vector>

#include "app/logic/window_state.h"

// The piece of the window that must lie on one work area for it to count as
// on screen: enough to grab it with the mouse.
constexpr int VisiblePieceSize = 32;

// Where the window belongs, given the work areas of all monitors. A window
// with a 32 x 32 piece (or all of itself, when smaller) on one work area stays
// exactly where it is. Any other is moved into the nearest work area, keeping
// its size, shrunk only where it is larger than that area. Without any work
// area the window is left alone.
WindowRect KeepOnScreen(const WindowRect& window, const std::vector<WindowRect>& workAreas);
