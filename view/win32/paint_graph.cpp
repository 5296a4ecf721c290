#include "view/win32/paint_graph.h"

#include "view/win32/graph_painter.h"

namespace {

CaptureEngine& Engine(void* context) { return *static_cast<CaptureEngine*>(context); }

} // namespace

void PaintGraph(HWND window, HDC dc, CaptureEngine& engine, const Settings& settings, GraphMemory& memory,
                GraphBuffer& buffer) {
  GraphSource source;
  source.Context = &engine;
  source.Lock = [](void* c) { Engine(c).LockData(); };
  source.Unlock = [](void* c) { Engine(c).UnlockData(); };
  source.History = [](void* c) -> const TrafficHistory& { return Engine(c).GetBPSData(); };
  source.Counters = [](void* c) { return Engine(c).GetCounters(); };
  source.Cursor = ReadGraphCursor;
  PaintGraphFrom(window, dc, source, settings, memory, buffer);
}
