#pragma once
// The graph window's paint, bound to the capture engine.
#include <windows.h>

#include "capture/capture_engine.h"
#include "settings/settings.h"
#include "view/graph_composer.h"

// The main window calls PaintGraph(window, dc) for WM_PAINT (the BeginPaint DC)
// and WM_PRINTCLIENT (the DC in wParam). The shell binds it once at start-up
// to its long-lived engine and settings record, which outlive every paint.
void BindGraphSources(CaptureEngine& engine, const Settings& settings);
// Does nothing until bound.
void PaintGraph(HWND window, HDC dc);

// The same with everything passed in; `memory` lives as long as the window.
void PaintGraph(HWND window, HDC dc, CaptureEngine& engine, const Settings& settings, GraphMemory& memory);
