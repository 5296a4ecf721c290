#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "view/graph_composer.h"

namespace {

// Every character 7 pixels wide, so tab stops can be checked by counting.
int SevenPerChar(void*, std::wstring_view text) { return static_cast<int>(text.size()) * 7; }

BPSSample Rec(std::int64_t total, std::int64_t average = 0) {
  BPSSample s;
  s.Total = total;
  s.Average = average;
  s.Other = total;
  return s;
}

struct Scene {
  TrafficHistory History;
  GraphInput Input;
  GraphMemory Memory;

  Scene(int width = 300, int height = 100) {
    Input.Width = width;
    Input.Height = height;
    Input.Settings.AvgTime = 1;
    Input.Measure = SevenPerChar;
  }
  void Add(std::size_t count, std::int64_t total) {
    for (std::size_t i = 0; i < count; ++i)
      History.Append(Rec(total));
  }
  void HoverAt(int x, int y) { Input.Cursor = {x, y, true}; }
  GraphPicture Paint() {
    Input.History = &History;
    return ComposeGraph(Input, Memory);
  }
};

std::vector<DrawOp> OfKind(const GraphPicture& p, DrawKind kind) {
  std::vector<DrawOp> out;
  std::copy_if(p.Ops.begin(), p.Ops.end(), std::back_inserter(out),
               [&](const DrawOp& o) { return o.Kind == kind; });
  return out;
}

std::vector<DrawOp> Lines(const GraphPicture& p, Rgb c) {
  std::vector<DrawOp> out;
  for (const DrawOp& o : OfKind(p, DrawKind::Line))
    if (o.Colour == c) out.push_back(o);
  return out;
}

const DrawOp* TextEndingWith(const GraphPicture& p, const std::wstring& suffix) {
  for (const DrawOp& o : p.Ops)
    if ((o.Kind == DrawKind::Text || o.Kind == DrawKind::TabbedText) && o.Text.size() >= suffix.size() &&
        o.Text.compare(o.Text.size() - suffix.size(), suffix.size(), suffix) == 0)
      return &o;
  return nullptr;
}

const DrawOp* TextStartingWith(const GraphPicture& p, const std::wstring& prefix) {
  for (const DrawOp& o : p.Ops)
    if ((o.Kind == DrawKind::Text || o.Kind == DrawKind::TabbedText) && o.Text.rfind(prefix, 0) == 0)
      return &o;
  return nullptr;
}

constexpr Rgb kBaseline{0, 96, 192};
constexpr Rgb kMinute{0, 96, 96};
constexpr Rgb kWhite{255, 255, 255};

} // namespace

TEST(RateColour, RampFromGreenOverYellowToRedThenCyan) {
  EXPECT_EQ(RateColour(0, 512), (Rgb{0, 255, 0}));
  EXPECT_EQ(RateColour(100, 512), (Rgb{99, 255, 0}));
  EXPECT_EQ(RateColour(256, 512), (Rgb{255, 255, 0}));
  EXPECT_EQ(RateColour(384, 512), (Rgb{255, 127, 0}));
  EXPECT_EQ(RateColour(512, 512), (Rgb{255, 0, 0}));
  EXPECT_EQ(RateColour(513, 512), (Rgb{0, 255, 255}));
  // Odd maximum: the integer half lies below the float half.
  EXPECT_EQ(RateColour(257, 513), (Rgb{255, 254, 0}));
}

TEST(RateColour, DegenerateMaximumsStayDefined) {
  // Never reached by the graph (its maximum is at least 512), but must not be
  // undefined behaviour for whoever else calls it.
  EXPECT_EQ(RateColour(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(RateColour(INT64_MAX, 1), (Rgb{0, 255, 255}));
  RateColour(INT64_MIN, 512);
  RateColour(-5, -3);
}

TEST(GraphComposer, DefaultWindowGridMinuteLineAndBaseline) {
  Scene s;
  s.Input.Settings.Interval = 1000;
  s.Add(100, 1000);
  GraphPicture p = s.Paint();
  EXPECT_EQ(p.GraphBottom, 80);
  EXPECT_EQ(p.Visible, 100u);
  EXPECT_EQ(p.First, 0u);

  ASSERT_EQ(p.Ops[0].Kind, DrawKind::Fill);
  EXPECT_EQ(p.Ops[0].X2, 300);
  EXPECT_EQ(p.Ops[0].Y2, 100);

  struct {
    int Y;
    Rgb C;
  } grid[] = {{20, {63, 31, 0}}, {40, {63, 63, 0}}, {60, {31, 63, 0}}};
  for (int k = 0; k < 3; ++k) {
    const DrawOp& g = p.Ops[1 + k];
    EXPECT_EQ(g.Kind, DrawKind::Line);
    EXPECT_EQ(g.Y1, grid[k].Y);
    EXPECT_EQ(g.Y2, grid[k].Y);
    EXPECT_EQ(g.X2, 300);
    EXPECT_EQ(g.Colour, grid[k].C);
  }
  auto minutes = Lines(p, kMinute);
  ASSERT_EQ(minutes.size(), 1u);
  EXPECT_EQ(minutes[0].X1, 120);
  EXPECT_EQ(minutes[0].Y1, 0);
  EXPECT_EQ(minutes[0].Y2, 80);

  // Baseline first, then the legend separators in the same colour.
  auto blue = Lines(p, kBaseline);
  ASSERT_GE(blue.size(), 1u);
  EXPECT_EQ(blue[0].Y1, 80);
  EXPECT_EQ(blue[0].Y2, 80);
  EXPECT_EQ(blue[0].X2, 300);

  // With 99 records the chart spans less than a minute.
  Scene fewer;
  fewer.Add(59, 1000);
  EXPECT_TRUE(Lines(fewer.Paint(), kMinute).empty());
}

TEST(GraphComposer, MinuteLinesFollowTheInterval) {
  Scene s(1000, 100);
  s.Input.Settings.Interval = 500;
  s.Add(400, 1000);
  auto minutes = Lines(s.Paint(), kMinute);
  ASSERT_EQ(minutes.size(), 2u); // 333 records of half a second span 2.8 minutes
  EXPECT_EQ(minutes[0].X1, 640);
  EXPECT_EQ(minutes[1].X1, 280);
}

TEST(GraphComposer, SingleSmallRecordAndTheMaximumFloor) {
  Scene s;
  s.Add(1, 100);
  GraphPicture p = s.Paint();
  EXPECT_EQ(p.Maximum, 512);
  auto bars = OfKind(p, DrawKind::Rect);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].X1, 297);
  EXPECT_EQ(bars[0].X2, 299);
  EXPECT_EQ(bars[0].Y1, 80 - 16);
  EXPECT_EQ(bars[0].Y2, 80);
  EXPECT_EQ(bars[0].Colour, (Rgb{99, 255, 0}));

  const DrawOp* max = TextEndingWith(p, L"/s max.");
  ASSERT_NE(max, nullptr);
  EXPECT_EQ(max->Text, L"512 B/s max.");
  EXPECT_EQ(max->Align, TextAlign::Right);
  EXPECT_EQ(max->X1, 88 + 85);
  EXPECT_EQ(max->Y1, 83);
}

TEST(GraphComposer, RecordAtTheMaximumIsFullHeightAndRed) {
  Scene s;
  s.Add(3, 400);
  s.Add(1, 4000);
  auto bars = OfKind(s.Paint(), DrawKind::Rect);
  ASSERT_EQ(bars.size(), 4u);
  EXPECT_EQ(bars[3].Y1, 0);
  EXPECT_EQ(bars[3].Colour, (Rgb{255, 0, 0}));
  EXPECT_EQ(bars[0].Y1, 80 - 8); // 400 / 4000 * 80
}

TEST(GraphComposer, FlatRecordsShowAOnePixelMarkZeroRecordsNothing) {
  Scene s;
  s.Add(1, 100000);
  s.History.Append(Rec(1));
  s.History.Append(Rec(0));
  auto bars = OfKind(s.Paint(), DrawKind::Rect);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[1].X1, 300 - 6);
  EXPECT_EQ(bars[1].Y1, 79);
  EXPECT_EQ(bars[1].Y2, 80);
  EXPECT_EQ(bars[1].Colour, (Rgb{128, 255, 255}));

  s.HoverAt(300 - 5, 10);
  auto hovered = OfKind(s.Paint(), DrawKind::Rect);
  EXPECT_EQ(hovered[1].Colour, kWhite);
  EXPECT_EQ(hovered[1].Y1, 79);
}

TEST(GraphComposer, NarrowWindowDrawsNoBarsButTheLegend) {
  Scene s(2, 100);
  s.Add(5, 100000);
  GraphPicture p = s.Paint();
  EXPECT_EQ(p.Visible, 0u);
  EXPECT_EQ(p.Maximum, 512);
  EXPECT_TRUE(OfKind(p, DrawKind::Rect).empty());
  EXPECT_NE(TextEndingWith(p, L"/s akt."), nullptr);
  EXPECT_NE(TextEndingWith(p, L"512 B/s max."), nullptr);
}

TEST(GraphComposer, LowWindowIsNotClamped) {
  Scene s(300, 10);
  s.Add(1, 512);
  GraphPicture p = s.Paint();
  EXPECT_EQ(p.GraphBottom, -10);
  auto bars = OfKind(p, DrawKind::Rect);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].Y2, -10);
  EXPECT_EQ(bars[0].Y1, -1); // height round(-10.0) = trunc(-9.5) = -9
  EXPECT_EQ(TextEndingWith(p, L"/s akt.")->Y1, -7);
  EXPECT_EQ(Lines(p, kBaseline).back().Y2, -9);
}

TEST(GraphComposer, HoverColumnsAndTheOverlay) {
  Scene s;
  s.Add(10, 1000);
  BPSSample last = Rec(2048, 1024);
  last.In = 1024, last.Out = 512, last.Other = 512;
  s.History.Append(last);

  for (int x : {296, 297, 298}) {
    s.HoverAt(x, 79);
    EXPECT_EQ(s.Paint().Hovered, 10) << x;
  }
  s.HoverAt(299, 10);
  EXPECT_EQ(s.Paint().Hovered, -1) << "gap column of the newest record";
  s.HoverAt(297, 80);
  EXPECT_EQ(s.Paint().Hovered, -1) << "on the baseline";
  s.Input.Cursor = {297, 10, false};
  EXPECT_EQ(s.Paint().Hovered, -1) << "cursor outside the window";
  s.HoverAt(294, 10);
  EXPECT_EQ(s.Paint().Hovered, 9);
  s.HoverAt(-200, 10);
  EXPECT_EQ(s.Paint().Hovered, -1) << "left of the oldest record";

  s.HoverAt(297, 10);
  GraphPicture p = s.Paint();
  auto bars = OfKind(p, DrawKind::Rect);
  EXPECT_EQ(bars.back().Colour, kWhite);
  EXPECT_EQ(bars.front().Colour, RateColour(1000, 2048));
  const DrawOp* head = TextStartingWith(p, L"Gesamt: ");
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->Text, L"Gesamt: 2.0 KiB/s (Ein: 1.0 KiB/s; Aus: 512 B/s; Unbek.: 512 B/s) - Durchschnitt: "
                        L"1.0 KiB/s");
  EXPECT_EQ(head->X1, 2);
  EXPECT_EQ(head->Y1, 2);
  EXPECT_EQ(head->Colour, kWhite);
  const DrawOp* none = TextStartingWith(p, L"Keine weiteren");
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->Y1, 15);
  EXPECT_EQ(&p.Ops.back(), none) << "the overlay lies over everything";
}

TEST(GraphComposer, ConnectionLinesCutLongHostNamesAndAlignTabs) {
  Scene s;
  BPSSample r = Rec(1000);
  r.TopSrcPort = 443, r.TopDstPort = 50123;
  r.TopSrcHost = std::wstring(32, L's');
  r.TopDstHost = std::wstring(25, L'd') + L".example.org"; // 37 characters
  s.History.Append(r);
  s.HoverAt(297, 10);
  GraphPicture p = s.Paint();
  ASSERT_NE(TextStartingWith(p, L"Verbindung mit gr\u00f6\u00dftem Datendurchsatz:"), nullptr);
  const DrawOp* src = TextStartingWith(p, L"Quelle:\t");
  const DrawOp* dst = TextStartingWith(p, L"Ziel:\t");
  ASSERT_NE(src, nullptr);
  ASSERT_NE(dst, nullptr);
  EXPECT_EQ(src->Kind, DrawKind::TabbedText);
  EXPECT_EQ(src->Text, L"Quelle:\t" + std::wstring(32, L's') + L" \tPort: 443");
  EXPECT_EQ(dst->Text, L"Ziel:\t" + std::wstring(25, L'd') + L".exam... \tPort: 50123");
  EXPECT_EQ(src->Y1, 28);
  EXPECT_EQ(dst->Y1, 41);
  // "Quelle: " is 8 characters; the longer text is the cut 33-character name and a space.
  EXPECT_EQ(src->TabStops[0], 8 * 7 + 5);
  EXPECT_EQ(src->TabStops[1], 8 * 7 + 5 + 34 * 7 + 5);
  EXPECT_EQ(dst->TabStops[1], src->TabStops[1]);
  EXPECT_EQ(TextStartingWith(p, L"Keine weiteren"), nullptr);

  // Ports known but names empty: the lines stay, with empty host columns.
  r.TopSrcHost.clear();
  r.TopDstHost.clear();
  s.History.Append(r);
  p = s.Paint();
  ASSERT_NE(TextStartingWith(p, L"Ziel:\t"), nullptr);
  EXPECT_EQ(TextStartingWith(p, L"Ziel:\t")->Text, L"Ziel:\t \tPort: 50123");
  EXPECT_EQ(TextStartingWith(p, L"Quelle:\t")->TabStops[1], 61 + 7 + 5);

  // One port zero: no connection.
  r.TopSrcPort = 0;
  s.History.Append(r);
  EXPECT_NE(TextStartingWith(s.Paint(), L"Keine weiteren"), nullptr);
}

// 's' is wide, everything else narrow: tells which name the second stop measured.
int WideEss(void*, std::wstring_view text) {
  int w = 0;
  for (wchar_t c : text)
    w += c == L's' ? 10 : 4;
  return w;
}

TEST(GraphComposer, EqualLengthHostNamesMeasureTheDestination) {
  Scene s;
  s.Input.Measure = WideEss;
  BPSSample r = Rec(1000);
  r.TopSrcPort = 1, r.TopDstPort = 2;
  r.TopSrcHost = L"ssss";
  r.TopDstHost = L"dddd";
  s.History.Append(r);
  s.HoverAt(297, 10);
  const GraphPicture p = s.Paint();
  const DrawOp* src = TextStartingWith(p, L"Quelle:\t");
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(src->TabStops[0], 8 * 4 + 5);
  EXPECT_EQ(src->TabStops[1] - src->TabStops[0], 5 * 4 + 5) << "\"dddd \" measured, not \"ssss \"";
}

TEST(GraphComposer, ShortHostNamesAtTheLimit) {
  EXPECT_EQ(ShortHostName(std::wstring(32, L'a')), std::wstring(32, L'a'));
  const std::wstring cut = ShortHostName(std::wstring(30, L'a') + L"bcd");
  EXPECT_EQ(cut, std::wstring(30, L'a') + L"...");
  EXPECT_EQ(cut.size(), 33u);
}

TEST(GraphComposer, AverageTextSpanAndColour) {
  Scene s;
  s.Input.Settings.Interval = 1000;
  s.Input.Settings.AvgTime = 60;
  s.Add(29, 1000);
  s.History.Append(Rec(1000, 600));
  GraphPicture p = s.Paint();
  const DrawOp* avg = TextStartingWith(p, L"600 B/s \u00d8 ");
  ASSERT_NE(avg, nullptr);
  EXPECT_EQ(avg->Text, L"600 B/s \u00d8 30 Sek.");
  EXPECT_EQ(avg->X1, 88 + 308);
  EXPECT_EQ(avg->Colour, RateColour(600, 1000));

  Scene whole;
  whole.Input.Settings.AvgTime = 0;
  whole.Add(90, 100);
  EXPECT_NE(TextEndingWith(whole.Paint(), L" 01:30 Min."), nullptr);

  Scene wholeHalf;
  wholeHalf.Input.Settings.AvgTime = 0;
  wholeHalf.Input.Settings.Interval = 500;
  wholeHalf.Add(91, 100);
  EXPECT_NE(TextEndingWith(wholeHalf.Paint(), L" 46 Sek."), nullptr) << "45.5 s rounds up";

  Scene fixed;
  fixed.Input.Settings.AvgTime = 60;
  fixed.Add(90, 100);
  EXPECT_NE(TextEndingWith(fixed.Paint(), L" 01:00 Min."), nullptr);

  Scene above;
  above.Input.Settings.AvgTime = 10;
  above.Add(5, 100);
  above.History.Append(Rec(100, 5000));
  EXPECT_EQ(TextEndingWith(above.Paint(), L" 06 Sek.")->Colour, (Rgb{0, 255, 255}));
}

TEST(GraphComposer, AvgTimeOneDropsLineAndTextCountersFollowTotals) {
  Scene s;
  s.Input.Settings.AvgTime = 1;
  s.Input.Settings.BytesTransmitted = 3 * 1024 * 1024;
  s.Input.Counters = {12, 3, 4};
  s.Add(20, 1000);
  GraphPicture p = s.Paint();
  EXPECT_TRUE(Lines(p, {0, 192, 192}).empty());
  EXPECT_EQ(TextStartingWith(p, L"1000 B/s \u00d8"), nullptr);
  const DrawOp* ges = TextEndingWith(p, L" ges.");
  ASSERT_NE(ges, nullptr);
  EXPECT_EQ(ges->Text, L"3.0 MiB ges.");
  EXPECT_EQ(ges->Colour, (Rgb{0, 255, 128}));
  EXPECT_EQ(ges->X1, 88 + 173);
  const DrawOp* counters = TextStartingWith(p, L"CE: ");
  ASSERT_NE(counters, nullptr);
  EXPECT_EQ(counters->Text, L"CE: 3; CH: 4; P: 12");
  EXPECT_EQ(counters->Align, TextAlign::Left);
  EXPECT_EQ(counters->X1, 88 + 176 + 5);

  auto separators = Lines(p, kBaseline);
  ASSERT_EQ(separators.size(), 4u); // baseline + three
  EXPECT_EQ(separators[3].X1, 88 + 176);
  EXPECT_EQ(separators[3].Y1, 100);
  EXPECT_EQ(separators[3].Y2, 81);

  s.Input.Settings.AvgTime = 0;
  EXPECT_EQ(TextStartingWith(s.Paint(), L"CE: ")->X1, 88 + 311 + 5);
}

TEST(GraphComposer, InOutLegendRunsPastTheRightEdgeUnchanged) {
  Scene s;
  s.Input.Settings.ShowInOut = true;
  BPSSample r = Rec(3000);
  r.In = 1000, r.Out = 500, r.Other = 1500;
  s.History.Append(r);
  GraphPicture p = s.Paint();
  EXPECT_EQ(TextEndingWith(p, L"/s ein")->Text, L"1000 B/s ein");
  EXPECT_EQ(TextEndingWith(p, L"/s ein")->Colour, (Rgb{64, 255, 64}));
  EXPECT_EQ(TextEndingWith(p, L"/s aus")->X1, 173);
  EXPECT_EQ(TextEndingWith(p, L"/s unb.")->X1, 261);
  EXPECT_EQ(TextEndingWith(p, L"/s max.")->X1, 349);
  EXPECT_EQ(TextEndingWith(p, L" ges.")->X1, 264 + 173);
  EXPECT_EQ(TextEndingWith(p, L"/s akt."), nullptr);
}

TEST(GraphComposer, MaximumTextColourFollowsNewRecords) {
  Scene s;
  auto maxColour = [&] { return TextEndingWith(s.Paint(), L"/s max.")->Colour; };
  s.Add(1, 100);
  EXPECT_EQ(maxColour(), (Rgb{255, 0, 0})) << "first paint with a record";
  EXPECT_EQ(maxColour(), (Rgb{255, 255, 0})) << "repaint without a new record";
  s.Add(1, 2000);
  EXPECT_EQ(maxColour(), (Rgb{255, 0, 0}));
  EXPECT_EQ(maxColour(), (Rgb{255, 255, 0}));
  // The big record scrolls out of a narrow window: the maximum falls.
  s.Input.Width = 3;
  s.Add(1, 100);
  EXPECT_EQ(maxColour(), (Rgb{0, 255, 0}));
  EXPECT_EQ(s.Memory.LastSampleCount, 3u);
  EXPECT_EQ(s.Memory.LastMaximum, 512);
}

TEST(GraphComposer, StackedBarsWithoutGradients) {
  Scene s;
  s.Input.Settings.ShowInOut = true;
  BPSSample r = Rec(512);
  r.Other = 128, r.Out = 0, r.In = 384; // 20, 0 and 60 pixels
  s.History.Append(r);
  auto bars = OfKind(s.Paint(), DrawKind::Rect);
  ASSERT_EQ(bars.size(), 3u) << "also the segment of no height";
  EXPECT_EQ(bars[0].Colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(bars[0].Y1, 60);
  EXPECT_EQ(bars[0].Y2, 80);
  EXPECT_EQ(bars[1].Colour, (Rgb{255, 0, 0}));
  EXPECT_EQ(bars[1].Y1, 60);
  EXPECT_EQ(bars[1].Y2, 60);
  EXPECT_EQ(bars[2].Colour, (Rgb{0, 255, 0}));
  EXPECT_EQ(bars[2].Y1, 0);
  EXPECT_EQ(bars[2].Y2, 60);

  // The mark is decided by the summed segments, not by Total.
  BPSSample tiny = Rec(100000);
  tiny.Other = tiny.In = tiny.Out = 0;
  s.History.Append(tiny);
  bars = OfKind(s.Paint(), DrawKind::Rect);
  EXPECT_EQ(bars.back().Colour, (Rgb{128, 255, 255}));
}

TEST(GraphComposer, GradientBarBelowAndAboveHalf) {
  Scene s;
  s.Input.Settings.UseGradients = true;
  s.Add(1, 100);
  s.Add(1, 512);
  auto g = OfKind(s.Paint(), DrawKind::Gradient);
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].Y1, 64);
  EXPECT_EQ(g[0].Y2, 80);
  EXPECT_EQ(g[0].Colour, (Rgb{99, 255, 0}));
  EXPECT_EQ(g[0].Colour2, (Rgb{0, 255, 0}));
  EXPECT_EQ(g[1].Y1, 0);
  EXPECT_EQ(g[1].Y2, 40);
  EXPECT_EQ(g[1].Colour, (Rgb{255, 0, 0}));
  EXPECT_EQ(g[1].Colour2, (Rgb{255, 255, 0}));
  EXPECT_EQ(g[2].Y1, 40);
  EXPECT_EQ(g[2].Y2, 80);
  EXPECT_EQ(g[2].Colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(g[2].Colour2, (Rgb{0, 255, 0}));
  EXPECT_TRUE(OfKind(s.Paint(), DrawKind::Rect).empty());
}

TEST(GraphComposer, GradientSegmentsStackLikeCylinders) {
  Scene s;
  s.Input.Settings.UseGradients = true;
  s.Input.Settings.ShowInOut = true;
  BPSSample r = Rec(512);
  r.Other = 160, r.Out = 0, r.In = 352; // 25 and 55 pixels
  s.History.Append(r);
  auto g = OfKind(s.Paint(), DrawKind::Gradient);
  ASSERT_EQ(g.size(), 4u) << "no segment for Out = 0";
  // Other: mid = 80 - round(12.5) = 67.
  EXPECT_EQ(g[0].Y1, 67);
  EXPECT_EQ(g[0].Y2, 80);
  EXPECT_EQ(g[0].Colour, (Rgb{255, 255, 128}));
  EXPECT_EQ(g[0].Colour2, (Rgb{255, 255, 0}));
  EXPECT_EQ(g[1].Y1, 55);
  EXPECT_EQ(g[1].Y2, 67);
  EXPECT_EQ(g[1].Colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(g[1].Colour2, (Rgb{255, 255, 128}));
  // In sits on top: mid = 55 - round(27.5) = 27.
  EXPECT_EQ(g[2].Y1, 27);
  EXPECT_EQ(g[2].Y2, 55);
  EXPECT_EQ(g[2].Colour, (Rgb{128, 255, 128}));
  EXPECT_EQ(g[3].Y1, 0);
  EXPECT_EQ(g[3].Y2, 27);
  EXPECT_EQ(g[3].Colour2, (Rgb{128, 255, 128}));
}

TEST(GraphComposer, AverageLineStartsAtRecordZeroAndIsPaintedOver) {
  Scene s;
  s.Input.Settings.AvgTime = 0;
  s.History.Append(Rec(512, 0));
  s.History.Append(Rec(512, 256));
  GraphPicture p = s.Paint();
  auto avg = Lines(p, {0, 192, 192});
  ASSERT_EQ(avg.size(), 2u);
  EXPECT_EQ(avg[0].X1, 294);
  EXPECT_EQ(avg[0].Y1, 79);
  EXPECT_EQ(avg[0].X2, 294);
  EXPECT_EQ(avg[1].X2, 297);
  EXPECT_EQ(avg[1].Y2, 80 - 40 - 1); // 256 / 512 * 79 = 39.5 rounds up
  auto firstBar =
      std::find_if(p.Ops.begin(), p.Ops.end(), [](const DrawOp& o) { return o.Kind == DrawKind::Rect; });
  auto lastAvg = std::find_if(p.Ops.rbegin(), p.Ops.rend(), [](const DrawOp& o) {
    return o.Kind == DrawKind::Line && o.Colour == Rgb{0, 192, 192};
  });
  EXPECT_LT(lastAvg.base() - 1 - p.Ops.begin(), firstBar - p.Ops.begin());

  // Scrolled out: the line comes in from record 0's slot at the height of the
  // last hidden record's average.
  Scene wide(30, 100); // 10 slots
  wide.Input.Settings.AvgTime = 0;
  for (int i = 0; i < 15; ++i)
    wide.History.Append(Rec(512, i == 4 ? 512 : 0));
  auto scrolled = Lines(wide.Paint(), {0, 192, 192});
  EXPECT_EQ(scrolled[0].X1, 30 - 45);
  EXPECT_EQ(scrolled[0].Y1, 0 - 1);
  EXPECT_EQ(scrolled[0].X2, 0);
}

TEST(GraphComposer, AbsurdRecordsAndSizesStayDefined) {
  // Nothing the sampler produces, but a paint must never be undefined behaviour.
  for (bool gradients : {false, true}) {
    Scene s(3000, 2000000000);
    s.Input.Settings.UseGradients = gradients;
    s.Input.Settings.ShowInOut = true;
    s.Input.Settings.AvgTime = 0;
    s.Input.Settings.Interval = 0;
    s.History.Append(Rec(INT64_MAX, INT64_MIN));
    BPSSample r = Rec(100, INT64_MAX);
    r.In = INT64_MAX, r.Out = INT64_MAX, r.Other = INT64_MIN;
    s.History.Append(r);
    s.History.Append(Rec(-5, INT64_MAX));
    s.HoverAt(INT32_MIN, 0);
    EXPECT_EQ(s.Paint().Maximum, INT64_MAX);
    s.Input.Width = 6; // the huge record scrolls out; the in/out parts dwarf the maximum
    EXPECT_EQ(s.Paint().Maximum, 512);
    s.Input.Width = 3000;
    s.HoverAt(2997, 0);
    EXPECT_EQ(s.Paint().Hovered, 2);
  }
}

TEST(GraphComposer, WaitingStateHasNoLegendAndNoOverlay) {
  Scene s;
  s.HoverAt(297, 10);
  GraphPicture p = s.Paint();
  EXPECT_EQ(p.Hovered, -1);
  auto texts = OfKind(p, DrawKind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, L"Warte auf WinPCap...");
  EXPECT_EQ(texts[0].Colour, (Rgb{0, 255, 255}));
  EXPECT_EQ(texts[0].X1, 5);
  EXPECT_EQ(texts[0].Y1, 5);
  EXPECT_EQ(texts[1].Text,
            L"Falls dieser Status l\u00e4nger besteht, sollten Sie ihre Einstellungen \u00fcberpr\u00fcfen.");
  EXPECT_EQ(texts[1].Colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(texts[1].Y1, 18);
  EXPECT_TRUE(Lines(p, kMinute).empty());
  EXPECT_EQ(Lines(p, kBaseline).size(), 1u);
  EXPECT_EQ(p.Ops.size(), 1u + 3 + 1 + 2);
  EXPECT_EQ(s.Memory.LastSampleCount, 0u);
  EXPECT_EQ(s.Memory.LastMaximum, 0);
}

TEST(DpiScale, RoundsLikeMulDivAndLeavesNinetySixAlone) {
  for (int v : {0, 1, 2, 3, 5, 14, 17, 20, 85, 88, 300, 575})
    EXPECT_EQ(ScaleForDpi(v, 96), v) << v;
  EXPECT_EQ(ScaleForDpi(14, 120), 18) << "17.5 rounds up";
  EXPECT_EQ(ScaleForDpi(17, 144), 26) << "25.5 rounds up";
  EXPECT_EQ(ScaleForDpi(17, 120), 21) << "21.25 rounds down";
  EXPECT_EQ(ScaleForDpi(-3, 144), -5) << "halves away from zero, as MulDiv";
  EXPECT_EQ(ScaleForDpi(300, 192), 600);
  EXPECT_EQ(ScaleForDpi(300, 0), 300) << "no DPI reported counts as 100 %";
}

// The legend, the overlay, the waiting texts and the hover limit at the usual
// scalings; the bars keep their 3-pixel slots.
TEST(GraphComposer, LayoutScalesWithTheWindowDpi) {
  struct Expect {
    int Dpi, Bottom, LegendTop, SepAkt, SepMax, Counters, Rows[4], Stop1, WaitRow;
  } const cases[] = {
      {96, 180, 183, 88, 176, 269, {2, 15, 28, 41}, 56 + 5, 18},
      {120, 175, 179, 110, 220, 336, {3, 19, 35, 51}, 56 + 6, 23},
      {144, 170, 174, 132, 264, 404, {3, 23, 42, 62}, 56 + 8, 27},
      {192, 160, 166, 176, 352, 538, {4, 30, 56, 82}, 56 + 10, 36},
  };
  for (const Expect& e : cases) {
    SCOPED_TRACE(e.Dpi);
    Scene s(900, 200);
    s.Input.Scale = {e.Dpi};
    s.Add(5, 1000);
    BPSSample r = Rec(1000);
    r.TopSrcPort = 443, r.TopDstPort = 80;
    r.TopSrcHost = L"a", r.TopDstHost = L"b";
    s.History.Append(r);

    s.HoverAt(897, e.Bottom);
    EXPECT_EQ(s.Paint().Hovered, -1) << "on the baseline";
    s.HoverAt(897, e.Bottom - 1);
    const GraphPicture p = s.Paint();
    EXPECT_EQ(p.GraphBottom, e.Bottom);
    EXPECT_EQ(p.Hovered, 5);
    EXPECT_EQ(OfKind(p, DrawKind::Rect).back().X1, 897) << "bar slots do not scale";

    const DrawOp* akt = TextEndingWith(p, L"/s akt.");
    ASSERT_NE(akt, nullptr);
    EXPECT_EQ(akt->X1, ScaleForDpi(85, e.Dpi));
    EXPECT_EQ(akt->Y1, e.LegendTop);
    std::vector<int> separators;
    for (const DrawOp& l : Lines(p, kBaseline))
      if (l.X1 == l.X2) {
        separators.push_back(l.X1);
        EXPECT_EQ(l.Y2, e.Bottom + 1);
      }
    ASSERT_GE(separators.size(), 2u);
    EXPECT_EQ(separators[0], e.SepAkt);
    EXPECT_EQ(separators[1], e.SepMax);
    EXPECT_EQ(TextStartingWith(p, L"CE: ")->X1, e.Counters);

    const std::wstring rowStarts[] = {L"Gesamt: ", L"Verbindung", L"Quelle:\t", L"Ziel:\t"};
    for (int row = 0; row < 4; ++row) {
      const DrawOp* t = TextStartingWith(p, rowStarts[row]);
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->Y1, e.Rows[row]);
      EXPECT_EQ(t->X1, e.Rows[0]) << "left edge 2 pixels at 96 DPI, like the top row";
    }
    EXPECT_EQ(TextStartingWith(p, L"Quelle:\t")->TabStops[0], e.Stop1);

    Scene waiting(900, 200);
    waiting.Input.Scale = {e.Dpi};
    const GraphPicture idle = waiting.Paint();
    const DrawOp* advice = TextStartingWith(idle, L"Falls dieser Status");
    ASSERT_NE(advice, nullptr);
    EXPECT_EQ(advice->Y1, e.WaitRow);
  }
}
