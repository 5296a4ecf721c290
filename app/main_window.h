#pragma once
// The graph window: its window procedure and the operations on its state.
#include <windows.h>

struct Shell;

// The window procedure of the main window. The window is created with its
// Shell as the creation parameter (CreateWindowExW's last argument).
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Copies the window's geometry, style and visibility into the settings record.
void CaptureWindowState(Shell& shell);
// CaptureWindowState, then the settings file.
void SaveSettings(Shell& shell);
// Switches between the pop-up and the normal style (double click).
void TogglePopupStyle(Shell& shell);
// True while a menu command shows a modal dialog or box.
bool ShellBusy(const Shell& shell);
