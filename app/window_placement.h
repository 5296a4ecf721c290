#pragma once
// Where the main window stands on the desktop: kept on a monitor that is
// there, at the DPI of the monitor it is on, in the topmost band when asked to.
#include <windows.h>

// Moves a window that has no graspable piece on any monitor's work area onto
// the nearest one (app/logic/placement.h). Minimised and maximised windows are
// the system's to place.
void KeepWindowOnScreen(HWND window);

// WM_DPICHANGED: the window takes the rectangle the system suggests for the
// new DPI, then is checked like after a display change.
void ApplyDpiChange(HWND window, const RECT& suggested);

// With `alwaysOnTop`, puts the window back at the top of the topmost band. A
// display change, a resume or a restarted taskbar can leave other windows
// above it.
void ReassertTopmost(HWND window, bool alwaysOnTop);
