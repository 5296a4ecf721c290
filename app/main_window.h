#pragma once
// The graph window: its window procedure and the operations on its state.
#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Copies the window's geometry, style and visibility into the settings record.
void CaptureWindowState();
// CaptureWindowState, then the settings file.
void SaveSettings();
// Switches between the pop-up and the normal style (double click).
void TogglePopupStyle();
// True while a menu command shows a modal dialog or box.
bool ShellBusy();
