#pragma once
// The graph window's paint, from the capture engine's history.
#include <windows.h>

#include "capture/capture_engine.h"
#include "settings/settings.h"
#include "view/graph_composer.h"
#include "view/win32/graph_buffer.h"

// Paints the client area of `window` onto `dc`: the main window calls it for
// WM_PAINT (the BeginPaint DC) and WM_PRINTCLIENT (the DC in wParam) with its
// shell's engine and settings record. `memory` and `buffer` live as long as
// the window.
void PaintGraph(HWND window, HDC dc, CaptureEngine& engine, const Settings& settings, GraphMemory& memory,
                GraphBuffer& buffer);
