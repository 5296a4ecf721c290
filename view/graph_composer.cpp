#include "view/graph_composer.h"

#include <algorithm>
#include <limits>

#include "view/format.h"

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kMinuteLine{0, 96, 96};
constexpr Rgb kBaseline{0, 96, 192};
constexpr Rgb kAverageLine{0, 192, 192};
constexpr Rgb kFlatMark{128, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kCyan{0, 255, 255};
constexpr Rgb kTotalsText{0, 255, 128};

// One third as a float, as the slot arithmetic has always used it.
constexpr float kThird = 0.33333334f;
constexpr std::int64_t kMinimumMaximum = 512;

int ToCoord(std::int64_t v) {
  return static_cast<int>(
      std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

class Painter {
public:
  explicit Painter(DrawList& ops) : Ops(ops) {}

  void Fill(int left, int top, int right, int bottom) {
    DrawOp& op = Add(DrawKind::Fill, kBlack);
    op.X1 = left, op.Y1 = top, op.X2 = right, op.Y2 = bottom;
  }
  void Line(Rgb c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    DrawOp& op = Add(DrawKind::Line, c);
    op.X1 = ToCoord(x1), op.Y1 = ToCoord(y1), op.X2 = ToCoord(x2), op.Y2 = ToCoord(y2);
  }
  void Bar(Rgb c, int x, std::int64_t top, std::int64_t bottom) {
    DrawOp& op = Add(DrawKind::Rect, c);
    op.X1 = x, op.Y1 = ToCoord(top), op.X2 = x + 2, op.Y2 = ToCoord(bottom);
  }
  void Gradient(int x, std::int64_t top, Rgb topColour, std::int64_t bottom, Rgb bottomColour) {
    DrawOp& op = Add(DrawKind::Gradient, topColour);
    op.Colour2 = bottomColour;
    op.X1 = x, op.Y1 = ToCoord(top), op.X2 = x + 2, op.Y2 = ToCoord(bottom);
  }
  void Text(Rgb c, TextAlign align, int x, int y, std::wstring text) {
    DrawOp& op = Add(DrawKind::Text, c);
    op.Align = align, op.X1 = x, op.Y1 = y, op.Text = std::move(text);
  }
  void Tabbed(Rgb c, int x, int y, int stop1, int stop2, std::wstring text) {
    DrawOp& op = Add(DrawKind::TabbedText, c);
    op.X1 = x, op.Y1 = y, op.TabStops[0] = stop1, op.TabStops[1] = stop2, op.Text = std::move(text);
  }

private:
  DrawOp& Add(DrawKind kind, Rgb c) {
    DrawOp& op = Ops.emplace_back();
    op.Kind = kind;
    op.Colour = c;
    return op;
  }
  DrawList& Ops;
};

// Pixel height of `value` on a chart of `height` pixels whose top is `maximum`.
// Bounded far beyond any screen, so that sums and differences of heights of
// absurd records (In above Total, say) cannot overflow.
std::int64_t Scale(std::int64_t value, std::int64_t maximum, double height) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 40;
  return std::clamp(RoundHalfUp(static_cast<double>(value) / static_cast<double>(maximum) * height), -kLimit,
                    kLimit);
}

struct Segment {
  Rgb End, Middle;
};
constexpr Segment kOtherSegment{{255, 255, 0}, {255, 255, 128}};
constexpr Segment kOutSegment{{255, 0, 0}, {255, 128, 128}};
constexpr Segment kInSegment{{0, 255, 0}, {128, 255, 128}};

struct Frame {
  int Width, Height, GraphBottom;
  float ChartHeight;
  std::size_t N, Visible, First;
  std::int64_t Maximum;
  std::int64_t Hovered;
};

void DrawBars(Painter& p, const Frame& f, const TrafficHistory& history, const GraphSettings& s) {
  const double h = f.ChartHeight;
  const int gb = f.GraphBottom;
  const std::int64_t m = f.Maximum;
  for (std::size_t i = f.First; i < f.N; ++i) {
    const int x = ToCoord(static_cast<std::int64_t>(f.Width) - 3 * static_cast<std::int64_t>(f.N - i));
    const std::int64_t total = history.TotalAt(i);
    if (total == 0) continue;
    const bool hovered = static_cast<std::int64_t>(i) == f.Hovered;
    const std::int64_t top = gb - Scale(total, m, h);

    std::int64_t other = 0, out = 0, in = 0;
    std::int64_t tested = gb - top;
    if (s.ShowInOut) {
      const BPSSample r = history[i];
      other = r.Other, out = r.Out, in = r.In;
      tested = Scale(other, m, h) + Scale(out, m, h) + Scale(in, m, h);
    }

    if (tested == 0) {
      p.Bar(hovered ? kWhite : kFlatMark, x, gb - 1, gb);
    } else if (hovered) {
      p.Bar(kWhite, x, top, gb);
    } else if (!s.UseGradients && !s.ShowInOut) {
      p.Bar(RateColour(total, m), x, top, gb);
    } else if (!s.UseGradients) {
      std::int64_t base = gb;
      for (auto [value, colour] : {std::pair{other, kYellow}, {out, kRed}, {in, kGreen}}) {
        const std::int64_t segTop = base - Scale(value, m, h);
        p.Bar(colour, x, segTop, base);
        base = segTop;
      }
    } else if (!s.ShowInOut) {
      const Rgb c = RateColour(total, m);
      if (total < m / 2) {
        p.Gradient(x, top, c, gb, kGreen);
      } else {
        p.Gradient(x, top, c, gb / 2, kYellow);
        p.Gradient(x, gb / 2, kYellow, gb, kGreen);
      }
    } else {
      std::int64_t base = gb;
      for (auto [value, seg] : {std::pair{other, kOtherSegment}, {out, kOutSegment}, {in, kInSegment}}) {
        if (value <= 0) continue;
        const std::int64_t size = Scale(value, m, h);
        const std::int64_t mid = base - RoundHalfUp(static_cast<double>(size) * 0.5);
        const std::int64_t segTop = base - size;
        p.Gradient(x, mid, seg.Middle, base, seg.End);
        p.Gradient(x, segTop, seg.End, mid, seg.Middle);
        base = segTop;
      }
    }
  }
}

void DrawAverageLine(Painter& p, const Frame& f, const TrafficHistory& history) {
  const std::int64_t startX = static_cast<std::int64_t>(f.Width) - 3 * static_cast<std::int64_t>(f.N);
  std::int64_t y = f.GraphBottom - 1;
  if (f.N > f.Visible + 1)
    y = f.GraphBottom - Scale(history.AverageAt(f.First - 1), f.Maximum, f.ChartHeight) - 1;
  std::int64_t x = startX;
  // The later points scale to one row less than the bars; kept as it has always been drawn.
  const double pointHeight = static_cast<double>(f.GraphBottom - 1);
  for (std::size_t i = f.First; i < f.N; ++i) {
    const std::int64_t nx = static_cast<std::int64_t>(f.Width) - 3 * static_cast<std::int64_t>(f.N - i);
    const std::int64_t ny = f.GraphBottom - Scale(history.AverageAt(i), f.Maximum, pointHeight) - 1;
    p.Line(kAverageLine, x, y, nx, ny);
    x = nx, y = ny;
  }
}

void DrawLegend(Painter& p, const Frame& f, const GraphInput& in, const GraphMemory& memory) {
  const GraphSettings& s = in.Settings;
  const DpiScale& px = in.Scale;
  const BPSSample newest = in.History->back();
  const int top = f.Height - px.Px(17);
  // Positions are written for 96 DPI: a text ends at `right`, its separator
  // stands 3 pixels further on.
  int lastSeparator = 0;
  auto text = [&](Rgb c, int right, std::wstring t) {
    p.Text(c, TextAlign::Right, px.Px(right), top, std::move(t));
    const int sep = px.Px(right + 3);
    p.Line(kBaseline, sep, f.Height, sep, f.GraphBottom + 1);
    lastSeparator = right + 3;
  };

  int base = 88;
  if (s.ShowInOut) {
    text({64, 255, 64}, 85, FormatBytes(newest.In) + L"/s ein");
    text({255, 64, 64}, 173, FormatBytes(newest.Out) + L"/s aus");
    text({255, 255, 64}, 261, FormatBytes(newest.Other) + L"/s unb.");
    base = 264;
  } else {
    text(RateColour(newest.Total, f.Maximum), 85, FormatBytes(newest.Total) + L"/s akt.");
  }

  const Rgb maxColour = f.Maximum > memory.LastMaximum    ? kRed
                        : f.Maximum == memory.LastMaximum ? kYellow
                                                          : kGreen;
  text(maxColour, base + 85, FormatBytes(f.Maximum) + L"/s max.");
  text(kTotalsText, base + 173, FormatBytes(s.BytesTransmitted) + L" ges.");

  if (s.AvgTime != 1) {
    const float perSecond = 1000.0f / static_cast<float>(s.Interval);
    const double span = static_cast<double>(f.N) / static_cast<double>(perSecond);
    std::int64_t d = s.AvgTime;
    if (s.AvgTime == 0 || static_cast<double>(s.AvgTime) > span) d = RoundHalfUp(span);
    const auto seconds = static_cast<std::int32_t>(std::min<std::int64_t>(d, INT32_MAX));
    text(RateColour(newest.Average, f.Maximum), base + 308,
         FormatBytes(newest.Average) + L"/s \u00d8 " + FormatDuration(seconds));
  }

  p.Text(kTotalsText, TextAlign::Left, px.Px(lastSeparator + 5), top,
         L"CE: " + FormatUnsigned(in.Counters.CacheEntries) + L"; CH: " +
             FormatUnsigned(in.Counters.CacheHits) + L"; P: " + FormatUnsigned(in.Counters.PacketCount));
}

int Measure(const GraphInput& in, std::wstring_view text) {
  return in.Measure ? in.Measure(in.MeasureContext, text) : 0;
}

void DrawOverlay(Painter& p, const GraphInput& in, std::int64_t index) {
  const DpiScale& px = in.Scale;
  const BPSSample r = (*in.History)[static_cast<std::size_t>(index)];
  const int left = px.Px(2);
  p.Text(kWhite, TextAlign::Left, left, px.Px(2),
         L"Gesamt: " + FormatBytes(r.Total) + L"/s (Ein: " + FormatBytes(r.In) + L"/s; Aus: " +
             FormatBytes(r.Out) + L"/s; Unbek.: " + FormatBytes(r.Other) + L"/s) - Durchschnitt: " +
             FormatBytes(r.Average) + L"/s");
  if (r.TopSrcPort == 0 || r.TopDstPort == 0) {
    p.Text(kWhite, TextAlign::Left, left, px.Px(15), L"Keine weiteren Daten vorhanden.");
    return;
  }
  p.Text(kWhite, TextAlign::Left, left, px.Px(15), L"Verbindung mit gr\u00f6\u00dftem Datendurchsatz:");
  const std::wstring source = ShortHostName(r.TopSrcHost);
  const std::wstring destination = ShortHostName(r.TopDstHost);
  const int stop1 = Measure(in, L"Quelle: ") + px.Px(5);
  const std::wstring& longer = source.size() > destination.size() ? source : destination;
  const int stop2 = stop1 + Measure(in, longer + L" ") + px.Px(5);
  p.Tabbed(kWhite, left, px.Px(28), stop1, stop2,
           L"Quelle:\t" + source + L" \tPort: " + FormatInteger(r.TopSrcPort));
  p.Tabbed(kWhite, left, px.Px(41), stop1, stop2,
           L"Ziel:\t" + destination + L" \tPort: " + FormatInteger(r.TopDstPort));
}

} // namespace

std::wstring ShortHostName(const std::wstring& name) {
  if (name.size() <= 32) return name;
  return name.substr(0, 30) + L"...";
}

std::int64_t HoverIndexAt(std::size_t count, int width, int graphBottom, const GraphCursor& cursor) {
  if (!cursor.InWindow || count == 0 || cursor.Y >= graphBottom) return -1;
  const float slots = static_cast<float>(static_cast<std::int64_t>(width) - cursor.X) * kThird;
  const std::int64_t index =
      static_cast<std::int64_t>(count) - TruncToInt64(static_cast<double>(slots + 0.5f));
  if (index < 0 || index >= static_cast<std::int64_t>(count)) return -1;
  return index;
}

GraphPicture ComposeGraph(const GraphInput& in, GraphMemory& memory) {
  static const TrafficHistory kNoHistory;
  const TrafficHistory& history = in.History ? *in.History : kNoHistory;
  const GraphSettings& s = in.Settings;

  GraphPicture pic;
  Frame f{};
  f.Width = in.Width;
  f.Height = in.Height;
  f.GraphBottom = in.Height - in.Scale.Px(LegendStripHeight);
  f.ChartHeight = static_cast<float>(f.GraphBottom);
  f.N = history.size();
  f.Hovered = HoverIndexAt(f.N, f.Width, f.GraphBottom, in.Cursor);

  const std::int64_t slots = TruncToInt64(static_cast<double>(static_cast<float>(in.Width) * kThird));
  f.Visible = std::min<std::size_t>(f.N, static_cast<std::size_t>(std::max<std::int64_t>(slots, 0)));
  f.First = f.N - f.Visible;
  f.Maximum = kMinimumMaximum;
  for (std::size_t i = f.First; i < f.N; ++i)
    f.Maximum = std::max(f.Maximum, history.TotalAt(i));

  Painter p(pic.Ops);
  // Background, grid, legend and overlay, then per record at most one minute
  // line, one average segment and up to six bar parts.
  const std::size_t partsPerBar = s.ShowInOut ? (s.UseGradients ? 6 : 3) : (s.UseGradients ? 2 : 1);
  pic.Ops.reserve(40 + (2 + partsPerBar) * f.Visible);
  p.Fill(0, 0, f.Width, f.Height);

  for (int k = 3; k >= 1; --k) {
    const std::int64_t y = f.GraphBottom - RoundHalfUp(static_cast<float>(k) * 0.25f * f.ChartHeight);
    const Rgb c = RateColour(k, 4);
    p.Line({static_cast<std::uint8_t>(c.R * 0.25), static_cast<std::uint8_t>(c.G * 0.25),
            static_cast<std::uint8_t>(c.B * 0.25)},
           0, y, f.Width, y);
  }

  const float perSecond = 1000.0f / static_cast<float>(s.Interval);
  const float minutes = static_cast<float>(f.Visible) / (perSecond * 60.0f);
  for (int m = 1; static_cast<float>(m) < minutes; ++m) {
    const std::int64_t x =
        TruncToInt64(static_cast<double>(f.Width) - m * static_cast<double>(perSecond) * 180.0);
    p.Line(kMinuteLine, x, 0, x, f.GraphBottom);
  }

  p.Line(kBaseline, 0, f.GraphBottom, f.Width, f.GraphBottom);

  if (f.N == 0) {
    p.Text(kCyan, TextAlign::Left, in.Scale.Px(5), in.Scale.Px(5), L"Warte auf WinPCap...");
    // "ihre" is kept on purpose: users and tests know this text.
    p.Text(kYellow, TextAlign::Left, in.Scale.Px(5), in.Scale.Px(18),
           L"Falls dieser Status l\u00e4nger besteht, sollten Sie ihre Einstellungen \u00fcberpr\u00fcfen.");
  } else {
    if (s.AvgTime != 1) DrawAverageLine(p, f, history);
    DrawBars(p, f, history, s);
    DrawLegend(p, f, in, memory);
    if (f.Hovered >= 0) DrawOverlay(p, in, f.Hovered);
  }

  if (f.N != memory.LastSampleCount) {
    memory.LastMaximum = f.Maximum;
    memory.LastSampleCount = static_cast<std::uint32_t>(f.N);
  }

  pic.GraphBottom = f.GraphBottom;
  pic.Visible = f.Visible;
  pic.First = f.First;
  pic.Maximum = f.Maximum;
  pic.Hovered = f.Hovered;
  return pic;
}
