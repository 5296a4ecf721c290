#pragma once
// One paint of the graph window: off-screen buffer, data lock, composition,
// drawing and the single copy to the window.
#include <windows.h>

#include "capture/capture_engine.h"
#include "capture/traffic_history.h"
#include "settings/settings.h"
#include "view/graph_composer.h"
#include "view/win32/graph_buffer.h"

// Where a paint takes its records from. The program binds it to the capture
// engine (paint_graph.h); tests bind it to a history of their own.
struct GraphSource {
  void* Context = nullptr;
  void (*Lock)(void* context) = nullptr;
  void (*Unlock)(void* context) = nullptr;
  // Called only between Lock and Unlock.
  const TrafficHistory& (*History)(void* context) = nullptr;
  EngineCounters (*Counters)(void* context) = nullptr;
  // The cursor in client coordinates of the window; ReadGraphCursor in the program.
  GraphCursor (*Cursor)(HWND window) = nullptr;
};

// Paints the client area of `window` onto `dc` through `buffer`. The
// source's lock is held only while the picture is composed from the records;
// drawing it and the copy to `dc` happen after it was released.
void PaintGraphFrom(HWND window, HDC dc, const GraphSource& source, const Settings& settings,
                    GraphMemory& memory, GraphBuffer& buffer);

// The graph's font at `scale`: "Arial", so every text is as wide as on
// Windows. Wine maps it to the metric-compatible Liberation Sans.
HFONT CreateGraphFont(const DpiScale& scale);

// True when the cursor lies inside the window's screen rectangle, frame included.
bool IsCursorInWindow(HWND window);
GraphCursor ReadGraphCursor(HWND window);
