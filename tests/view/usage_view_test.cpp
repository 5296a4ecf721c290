// The usage dialog's rows and its bar chart.
#include <gtest/gtest.h>

#include <algorithm>

#include "view/usage_chart.h"
#include "view/usage_report.h"

namespace {

DayNumber Day(int year, int month, int day) { return ToDayNumber({year, month, day}); }

int SevenPerChar(void*, std::wstring_view text) { return 7 * static_cast<int>(text.size()); }

std::vector<DrawOp> FillsOf(const DrawList& ops, Rgb colour) {
  std::vector<DrawOp> out;
  for (const DrawOp& op : ops)
    if (op.Kind == DrawKind::Fill && op.Colour == colour) out.push_back(op);
  return out;
}

} // namespace

TEST(UsageReport, ListsTheLast31DaysAndTwelvePeriodsFromTheStartDayNewestFirst) {
  UsageHistory history;
  const DayNumber today = Day(2027, 1, 14);
  history.Add(today, {1, 2, 3});
  history.Add(Day(2026, 12, 15), {100, 0, 0}); // first day of the current period (start day 15)
  history.Add(Day(2026, 12, 14), {0, 200, 0}); // last day of the one before
  history.Add(Day(2026, 1, 15), {0, 0, 5});    // first day of the twelfth period
  history.Add(Day(2026, 1, 14), {1000, 0, 0}); // before all twelve
  history.Add(Day(2027, 1, 15), {7, 7, 7});    // tomorrow: the clock was ahead once

  const UsageReport report = BuildUsageReport(history, today, 15);
  ASSERT_EQ(report.Days.size(), 31u);
  EXPECT_EQ(report.Days[0].Label, L"Do, 14.01.2027");
  EXPECT_EQ(report.Days[0].Counts, (UsageCounts{1, 2, 3}));
  EXPECT_EQ(report.Days[30].Label, L"Di, 15.12.2026");
  EXPECT_EQ(report.Days[30].Counts, (UsageCounts{100, 0, 0}));
  EXPECT_EQ(report.Days[1].Counts, UsageCounts{});

  ASSERT_EQ(report.Months.size(), 12u);
  EXPECT_EQ(report.Months[0].Label, L"15.12.2026 - 14.01.2027");
  EXPECT_EQ(report.Months[0].Counts, (UsageCounts{101, 2, 3}));
  EXPECT_EQ(report.Months[1].Label, L"15.11.2026 - 14.12.2026");
  EXPECT_EQ(report.Months[1].Counts, (UsageCounts{0, 200, 0}));
  EXPECT_EQ(report.Months[11].Label, L"15.01.2026 - 14.02.2026");
  EXPECT_EQ(report.Months[11].Counts, (UsageCounts{0, 0, 5}));

  EXPECT_EQ(UsageTexts({1024, 0, 1048576 * 3ull / 2}),
            (std::array<std::wstring, 4>{L"1.0 KiB", L"0 B", L"1.5 MiB", L"1.5 MiB"}));
  EXPECT_EQ(FormatUsageBytes(~0ull), L"8.0 EiB");
}

TEST(UsageChart, StacksEachDayScaledToTheBusiestWithTodayAtTheRightEdge) {
  UsageChartInput input;
  input.Width = 320, input.Height = 116;
  input.Measure = SevenPerChar;
  input.FirstLabel = L"15.12.";
  input.LastLabel = L"Heute";
  input.Days.assign(31, UsageCounts{});
  input.Days[30] = {600, 300, 100};                            // today, the busiest
  input.Days[29] = {0, 0, 250};                                // only the rest
  input.Days[0] = {1, 0, 0};                                   // too little for a pixel
  input.Days[10] = {0x4000000000000000ull, 0, 0};              // far beyond 2^32 ...
  input.Days[11] = {0x8000000000000000ull, 0, 0x100000000ull}; // ... and beyond 2^63: now the busiest
  const UsageChartLayout layout = LayoutUsageChart(input.Width, input.Height, 31);
  EXPECT_EQ(layout.Slot, 10);
  EXPECT_EQ(layout.Left, 10);
  const int chart = layout.Baseline - layout.Top;
  ASSERT_GT(chart, 50);

  const DrawList ops = ComposeUsageChart(input);
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops[0].Kind, DrawKind::Fill);
  EXPECT_EQ(ops[0].Colour, Rgb{});

  const auto in = FillsOf(ops, {0, 255, 0}), out = FillsOf(ops, {255, 0, 0}),
             other = FillsOf(ops, {255, 255, 0});
  // The busiest day fills the chart to its top row, in one stack.
  const auto top =
      std::find_if(in.begin(), in.end(), [&](const DrawOp& op) { return op.X1 == 10 + 11 * 10 + 1; });
  ASSERT_NE(top, in.end());
  EXPECT_EQ(top->Y1, layout.Top);
  EXPECT_EQ(top->X2 - top->X1, 8);
  // Half of it is half the chart.
  const auto half =
      std::find_if(in.begin(), in.end(), [](const DrawOp& op) { return op.X1 == 10 + 10 * 10 + 1; });
  ASSERT_NE(half, in.end());
  EXPECT_EQ(layout.Baseline - half->Y1, (chart + 1) / 2);
  // Small days round to nothing: no bars for them, only the flat mark for a day with traffic.
  EXPECT_EQ(in.size(), 2u);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(other.empty());
  const auto marks = FillsOf(ops, {128, 255, 255});
  EXPECT_EQ(marks.size(), 3u); // days 0, 29 and 30
  EXPECT_EQ(marks.back().X2, input.Width - 1);
  EXPECT_EQ(marks.back().Y1, layout.Baseline - 1);

  // Scaled to today alone, the stack is exactly as high as its total.
  input.Days.assign(31, UsageCounts{});
  input.Days[30] = {600, 300, 100};
  input.Days[29] = {0, 0, 250};
  const DrawList small = ComposeUsageChart(input);
  const auto o = FillsOf(small, {255, 255, 0}), u = FillsOf(small, {255, 0, 0}),
             i = FillsOf(small, {0, 255, 0});
  ASSERT_EQ(o.size(), 2u);
  ASSERT_EQ(u.size(), 1u);
  ASSERT_EQ(i.size(), 1u);
  EXPECT_EQ(o[1].Y2, layout.Baseline);
  EXPECT_EQ(u[0].Y2, o[1].Y1);
  EXPECT_EQ(i[0].Y2, u[0].Y1);
  EXPECT_EQ(i[0].Y1, layout.Top);
  EXPECT_EQ(layout.Baseline - o[0].Y1, (chart * 250 + 500) / 1000);
  EXPECT_EQ(o[1].X2, input.Width - 1);
}

TEST(UsageChart, SaysSoWhenThereIsNothingToShowAndSurvivesTinySizes) {
  UsageChartInput input;
  input.Width = 200, input.Height = 100;
  input.Days.assign(31, UsageCounts{});
  const DrawList ops = ComposeUsageChart(input);
  EXPECT_TRUE(std::any_of(ops.begin(), ops.end(), [](const DrawOp& op) {
    return op.Text == L"Noch kein Verbrauch in diesen Tagen.";
  }));
  input.Days[30] = {1, 1, 1};
  for (int size : {0, 1, 10, 20, 33}) {
    input.Width = input.Height = size;
    for (const DrawOp& op : ComposeUsageChart(input)) {
      if (op.Kind == DrawKind::Fill) {
        EXPECT_LE(op.Y1, op.Y2);
      }
    }
  }
}
