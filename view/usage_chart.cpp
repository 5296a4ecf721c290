#include "view/usage_chart.h"

#include <algorithm>

#include "view/rate_colour.h"
#include "view/usage_report.h"

namespace {

constexpr int TopStrip = 16;    // the maximum and the legend
constexpr int BottomStrip = 16; // the dates
constexpr int TextGap = 8;

constexpr Rgb Baseline{0, 96, 192};
constexpr Rgb FlatMark{128, 255, 255};
constexpr Rgb InColour{0, 255, 0}, OutColour{255, 0, 0}, OtherColour{255, 255, 0};
constexpr Rgb InText{64, 255, 64}, OutText{255, 64, 64}, OtherText{255, 255, 64};
constexpr Rgb PlainText{0, 255, 128};
constexpr Rgb EmptyText{0, 255, 255};

class Ops {
public:
  explicit Ops(DrawList& list) : List(list) {}
  void Fill(Rgb c, int left, int top, int right, int bottom) {
    if (top >= bottom || left >= right) return;
    DrawOp& op = Add(DrawKind::Fill, c);
    op.X1 = left, op.Y1 = top, op.X2 = right, op.Y2 = bottom;
  }
  void Line(Rgb c, int x1, int y1, int x2, int y2) {
    DrawOp& op = Add(DrawKind::Line, c);
    op.X1 = x1, op.Y1 = y1, op.X2 = x2, op.Y2 = y2;
  }
  void Text(Rgb c, TextAlign align, int x, int y, std::wstring text) {
    DrawOp& op = Add(DrawKind::Text, c);
    op.Align = align, op.X1 = x, op.Y1 = y, op.Text = std::move(text);
  }

private:
  DrawOp& Add(DrawKind kind, Rgb c) {
    List.emplace_back();
    List.back().Kind = kind;
    List.back().Colour = c;
    return List.back();
  }
  DrawList& List;
};

// Pixels for `value` of `maximum` over `height`, rounded half up.
int Pixels(std::uint64_t value, std::uint64_t maximum, int height) {
  if (maximum == 0) return 0;
  const long double share = static_cast<long double>(value) / static_cast<long double>(maximum);
  return static_cast<int>(share * height + 0.5L);
}

int Measure(const UsageChartInput& input, const std::wstring& text) {
  return input.Measure != nullptr ? input.Measure(input.MeasureContext, text) : 0;
}

} // namespace

UsageChartLayout LayoutUsageChart(int width, int height, std::size_t days) {
  UsageChartLayout layout;
  layout.Top = TopStrip;
  layout.Baseline = std::max(TopStrip, height - BottomStrip);
  const int count = static_cast<int>(std::max<std::size_t>(days, 1));
  layout.Slot = std::max(1, width / count);
  layout.Left = width - layout.Slot * count;
  return layout;
}

DrawList ComposeUsageChart(const UsageChartInput& input) {
  DrawList list;
  Ops ops(list);
  const int width = input.Width, height = input.Height;
  ops.Fill(Rgb{}, 0, 0, width, height);
  const UsageChartLayout layout = LayoutUsageChart(width, height, input.Days.size());
  const int chart = layout.Baseline - layout.Top;
  if (chart <= 0 || width <= 0) return list;

  // The graph's dimmed level grid at 3/4, 1/2 and 1/4, then the baseline.
  for (int k = 3; k >= 1; --k) {
    const Rgb c = RateColour(k, 4);
    const Rgb dim{static_cast<std::uint8_t>(c.R / 4), static_cast<std::uint8_t>(c.G / 4),
                  static_cast<std::uint8_t>(c.B / 4)};
    const int y = layout.Baseline - (k * chart + 2) / 4;
    ops.Line(dim, 0, y, width, y);
  }
  ops.Line(Baseline, 0, layout.Baseline, width, layout.Baseline);

  std::uint64_t maximum = 0;
  for (const UsageCounts& day : input.Days)
    maximum = std::max(maximum, day.Total());
  if (maximum == 0) {
    ops.Text(EmptyText, TextAlign::Left, 4, layout.Top + 4, L"Noch kein Verbrauch in diesen Tagen.");
  } else {
    const int gap = layout.Slot >= 4 ? 1 : 0;
    for (std::size_t i = 0; i < input.Days.size(); ++i) {
      const UsageCounts& day = input.Days[i];
      if (day.Total() == 0) continue;
      const int left = layout.Left + static_cast<int>(i) * layout.Slot + gap;
      const int right = left + std::max(1, layout.Slot - 2 * gap);
      // Cumulative heights, so that the stack is exactly as high as the total.
      const int other = Pixels(day.Other, maximum, chart);
      const int outAndOther = Pixels(day.Other + day.Out, maximum, chart);
      const int total = Pixels(day.Total(), maximum, chart);
      if (total == 0) {
        ops.Fill(FlatMark, left, layout.Baseline - 1, right, layout.Baseline);
        continue;
      }
      ops.Fill(OtherColour, left, layout.Baseline - other, right, layout.Baseline);
      ops.Fill(OutColour, left, layout.Baseline - outAndOther, right, layout.Baseline - other);
      ops.Fill(InColour, left, layout.Baseline - total, right, layout.Baseline - outAndOther);
    }
    ops.Text(PlainText, TextAlign::Left, 2, 1, L"max. " + FormatUsageBytes(maximum) + L" am Tag");
  }

  // The legend at the top right, right to left.
  int x = width - 2;
  const std::pair<Rgb, std::wstring> legend[3] = {{OtherText, L"unb."}, {OutText, L"aus"}, {InText, L"ein"}};
  for (const auto& [colour, text] : legend) {
    ops.Text(colour, TextAlign::Right, x, 1, text);
    x -= Measure(input, text) + TextGap;
  }
  const int labelTop = layout.Baseline + 2;
  ops.Text(PlainText, TextAlign::Left, layout.Left + 1, labelTop, input.FirstLabel);
  ops.Text(PlainText, TextAlign::Right, width - 2, labelTop, input.LastLabel);
  return list;
}
