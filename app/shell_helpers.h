#pragma once
// The small window operations that start-up, the window procedure and the
// notification-area icon share.
#include <windows.h>

#include <string_view>

// Blocking fade of the layered window's alpha.
void FadeWindow(HWND window, int fromAlpha, int toAlpha, int durationMs);
// A transient text over the graph until the next repaint.
void DrawHint(HWND window, std::wstring_view text);
// The context menu at the cursor; its commands go to `owner` as WM_COMMAND.
void ShowContextMenu(HINSTANCE instance, HWND owner);
// The same for the notification-area icon, which needs the owner in front.
void ShowTrayMenu(HINSTANCE instance, HWND owner);
