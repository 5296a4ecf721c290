#pragma once
// The whole graph picture (chart, legend, hover read-out, waiting state) as a
// pure function of the history, the counters, five settings, the client size
// and the cursor.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/capture_engine.h"
#include "capture/traffic_history.h"
#include "view/dpi_scale.h"
#include "view/draw_ops.h"

struct GraphSettings {
  std::uint32_t Interval = 1000; // milliseconds per record
  std::int32_t AvgTime = 0;      // seconds; 0 = whole history, 1 = no average
  bool UseGradients = false;
  bool ShowInOut = false;
  std::int64_t BytesTransmitted = 0;
};

// Cursor in client coordinates; InWindow as IsCursorInWindow decided.
struct GraphCursor {
  int X = 0, Y = 0;
  bool InWindow = false;
};

// What the renderer remembers between paints, for the colour of "max.".
struct GraphMemory {
  std::uint32_t LastSampleCount = 0;
  std::int64_t LastMaximum = 0;
};

struct GraphInput {
  const TrafficHistory* History = nullptr;
  EngineCounters Counters;
  GraphSettings Settings;
  int Width = 0, Height = 0;
  // The window's DPI: margins, text rows, legend and overlay positions scale
  // with it, the bars' 3-pixel slots do not.
  DpiScale Scale;
  GraphCursor Cursor;
  TextMeasureFn Measure = nullptr;
  void* MeasureContext = nullptr;
};

struct GraphPicture {
  DrawList Ops;
  int GraphBottom = 0;
  std::size_t Visible = 0;
  std::size_t First = 0;
  std::int64_t Maximum = 0;
  // The record under the cursor, or -1.
  std::int64_t Hovered = -1;
};

// Composes one paint and updates `memory` as that paint would.
GraphPicture ComposeGraph(const GraphInput& input, GraphMemory& memory);

// The record index under client point (cx, cy), or -1 when no record is hovered.
std::int64_t HoverIndexAt(std::size_t count, int width, int graphBottom, const GraphCursor& cursor);

// Host names beyond 32 characters become their first 30 and "...".
std::wstring ShortHostName(const std::wstring& name);
