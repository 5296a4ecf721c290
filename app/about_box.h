#pragma once
#include <windows.h>

// The modal About box over `owner`.
void ShowAboutBox(HWND owner);
