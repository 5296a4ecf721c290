#pragma once
// The DPI a window is shown at. Windows 10 (1607 and later) knows it per
// window and per monitor; older systems have one DPI for the whole screen.
#include <windows.h>

int WindowDpi(HWND window);
