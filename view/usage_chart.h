#pragma once
// The bar chart of the usage dialog as drawing operations: one stacked bar per
// day in the graph's colours (incoming green on outgoing red on the rest in
// yellow), today at the right edge, scaled to the busiest day.
#include <vector>

#include "capture/usage_history.h"
#include "view/draw_ops.h"

struct UsageChartInput {
  std::vector<UsageCounts> Days; // oldest first; the last one is today
  std::wstring FirstLabel;       // under the oldest bar
  std::wstring LastLabel;        // under today's bar
  int Width = 0, Height = 0;
  TextMeasureFn Measure = nullptr;
  void* MeasureContext = nullptr;
};

struct UsageChartLayout {
  int Top = 0;      // the row that stands for the busiest day
  int Baseline = 0; // the row below the bars
  int Slot = 0;     // pixels per day
  int Left = 0;     // left edge of the oldest day's slot
};

UsageChartLayout LayoutUsageChart(int width, int height, std::size_t days);
DrawList ComposeUsageChart(const UsageChartInput& input);
