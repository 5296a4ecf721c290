#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "tests/view/graph_harness_win32.h"

namespace {

constexpr Rgb kBlack{0, 0, 0};

BPSSample Rec(std::int64_t total, std::int64_t average = 0) {
  BPSSample s;
  s.Total = total;
  s.Average = average;
  s.Other = total;
  return s;
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.R - b.R) <= tolerance && std::abs(a.G - b.G) <= tolerance &&
         std::abs(a.B - b.B) <= tolerance;
}

// Pixels close to `c` in [x0, x1) x [y0, y1).
int CountNear(const DibCanvas& d, Rgb c, int x0, int y0, int x1, int y1, int tolerance = 40) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (Near(d.At(x, y), c, tolerance)) ++n;
  return n;
}

class GraphPaint : public ::testing::Test {
protected:
  FakeGraphData Data;
  Settings Options;
  GraphPaint() {
    Options.Interval = 1000;
    Options.AvgTime = 1;
  }
};

// Live GDI objects of this process. Wine answers GetGuiResources with 0, but
// keeps its handle table where Windows does (PEB + 0xF8), one process per table.
long LiveGdiObjects() {
  if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(n);
  struct Entry {
    std::uint64_t Object;
    std::uint32_t Owner;
    std::uint16_t Unique;
    std::uint8_t Type;
    std::uint8_t Flags;
    std::uint64_t User;
  };
  static_assert(sizeof(Entry) == 24);
  std::uint8_t* peb = nullptr;
  asm("movq %%gs:0x60, %0" : "=r"(peb));
  const Entry* table = *reinterpret_cast<Entry* const*>(peb + 0xF8);
  if (!table) return -1;
  long live = 0;
  for (int i = 0; i < 65536; ++i)
    live += table[i].Type != 0;
  return live;
}

} // namespace

::testing::AssertionResult ColumnIs(const DibCanvas& d, int x, int top, int bottom, Rgb c) {
  for (int y = top; y < bottom; ++y)
    if (!(d.At(x, y) == c))
      return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << int(d.At(x, y).R)
                                           << "," << int(d.At(x, y).G) << "," << int(d.At(x, y).B);
  return ::testing::AssertionSuccess();
}

TEST_F(GraphPaint, BarsGridAndBaseline) {
  Data.History.Append(Rec(512)); // red, full height, at x 294
  Data.History.Append(Rec(100)); // 16 pixels, at x 297
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  window.PrintTo(canvas);

  EXPECT_TRUE(ColumnIs(canvas, 297, 64, 80, {99, 255, 0}));
  EXPECT_TRUE(ColumnIs(canvas, 298, 64, 80, {99, 255, 0}));
  EXPECT_EQ(canvas.At(297, 63), kBlack);
  EXPECT_TRUE(ColumnIs(canvas, 299, 61, 80, kBlack)) << "gap column";
  EXPECT_TRUE(ColumnIs(canvas, 294, 0, 80, {255, 0, 0}));
  EXPECT_TRUE(ColumnIs(canvas, 295, 0, 80, {255, 0, 0}));

  EXPECT_EQ(canvas.At(10, 20), (Rgb{63, 31, 0}));
  EXPECT_EQ(canvas.At(10, 40), (Rgb{63, 63, 0}));
  EXPECT_EQ(canvas.At(10, 60), (Rgb{31, 63, 0}));
  EXPECT_EQ(canvas.At(10, 21), kBlack);
  EXPECT_EQ(canvas.At(0, 80), (Rgb{0, 96, 192}));
  EXPECT_EQ(canvas.At(299, 80), (Rgb{0, 96, 192}));
  EXPECT_EQ(canvas.At(296, 70), kBlack);
  // The legend separator below the baseline.
  EXPECT_TRUE(ColumnIs(canvas, 88, 82, 100, {0, 96, 192}));
  EXPECT_EQ(Data.ReadsWithoutLock, 0);
}

TEST_F(GraphPaint, GradientEndColours) {
  Options.UseGradients = true;
  Data.History.Append(Rec(2048)); // the maximum: red at the top, yellow mid-way, green at the bottom
  Data.History.Append(Rec(256));  // below half: its colour at the top, green at the bottom
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  window.PrintTo(canvas);

  EXPECT_TRUE(Near(canvas.At(294, 0), {255, 0, 0}, 8));
  EXPECT_TRUE(Near(canvas.At(295, 40), {255, 255, 0}, 8));
  EXPECT_TRUE(Near(canvas.At(294, 79), {0, 255, 0}, 12));
  EXPECT_TRUE(Near(canvas.At(297, 70), RateColour(256, 2048), 8));
  EXPECT_TRUE(Near(canvas.At(298, 79), {0, 255, 0}, 12));
  EXPECT_EQ(canvas.At(297, 69), kBlack);

  // Segments: saturated at both ends, light in the middle row.
  Options.ShowInOut = true;
  Data.History.Clear();
  BPSSample r = Rec(2048);
  r.Other = 0, r.Out = 0, r.In = 2048;
  Data.History.Append(r);
  window.PrintTo(canvas);
  EXPECT_TRUE(Near(canvas.At(297, 0), {0, 255, 0}, 8));
  EXPECT_TRUE(Near(canvas.At(297, 40), {128, 255, 128}, 8));
  EXPECT_TRUE(Near(canvas.At(298, 79), {0, 255, 0}, 12));
}

TEST_F(GraphPaint, StackedInOutColours) {
  Options.ShowInOut = true;
  BPSSample r = Rec(512);
  r.Other = 128, r.Out = 128, r.In = 256; // 20, 20 and 40 pixels
  Data.History.Append(r);
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  window.PrintTo(canvas);
  EXPECT_TRUE(ColumnIs(canvas, 297, 60, 80, {255, 255, 0}));
  EXPECT_TRUE(ColumnIs(canvas, 297, 40, 60, {255, 0, 0}));
  EXPECT_TRUE(ColumnIs(canvas, 298, 0, 40, {0, 255, 0}));
}

TEST_F(GraphPaint, LegendHoverAndWaitingTexts) {
  Data.History.Append(Rec(100));
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  window.PrintTo(canvas);
  EXPECT_GT(CountNear(canvas, {99, 255, 0}, 0, 81, 86, 100), 20) << "current rate text";
  EXPECT_GT(CountNear(canvas, {255, 0, 0}, 89, 81, 174, 100), 20) << "max. text";
  EXPECT_GT(CountNear(canvas, {0, 255, 128}, 177, 81, 300, 100), 20) << "total and counters";
  EXPECT_EQ(canvas.Lit(0, 0, 290, 19), 0) << "no overlay";

  Data.Cursor = {297, 30, true};
  window.PrintTo(canvas);
  EXPECT_TRUE(ColumnIs(canvas, 297, 64, 80, {255, 255, 255}));
  EXPECT_GT(CountNear(canvas, {255, 255, 255}, 2, 2, 290, 28), 100) << "overlay texts";

  Data.History.Clear();
  window.PrintTo(canvas);
  EXPECT_GT(CountNear(canvas, {0, 255, 255}, 5, 5, 200, 18), 50);
  EXPECT_GT(CountNear(canvas, {255, 255, 0}, 5, 18, 300, 31), 50);
  EXPECT_EQ(canvas.Lit(0, 81, 300, 100), 0) << "no legend while waiting";
}

TEST_F(GraphPaint, CopiesToTheWindowOnlyAfterTheLockIsReleased) {
  Data.History.Append(Rec(100));
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  canvas.FillWith({1, 2, 3});
  Rgb atUnlock{};
  Data.BeforeUnlock = [&] { atUnlock = canvas.At(297, 70); };
  window.PrintTo(canvas);
  EXPECT_EQ(Data.Locks, 1);
  EXPECT_FALSE(Data.Locked);
  EXPECT_EQ(Data.ReadsWithoutLock, 0);
  EXPECT_EQ(atUnlock, (Rgb{1, 2, 3}));
  EXPECT_EQ(canvas.At(297, 70), (Rgb{99, 255, 0}));
  EXPECT_EQ(canvas.At(0, 0), kBlack) << "every client pixel is painted";
}

TEST_F(GraphPaint, WindowWiderThanTheScreenIsPaintedWhole) {
  const int width = GetSystemMetrics(SM_CXSCREEN) + 200;
  Data.History.Append(Rec(512));
  GraphTestWindow window(width, 100, Data, Options);
  RECT client{};
  GetClientRect(window.Handle(), &client);
  ASSERT_EQ(client.right, width);
  DibCanvas canvas(width, 100);
  canvas.FillWith({1, 2, 3});
  window.PrintTo(canvas);
  EXPECT_TRUE(ColumnIs(canvas, width - 3, 0, 80, {255, 0, 0}));
  EXPECT_EQ(canvas.At(width - 1, 99), kBlack);
}

// The picture is kept between paints; a window that grows beyond it must
// still be painted to its last pixel.
TEST_F(GraphPaint, WindowThatGrowsAfterAPaintIsPaintedWhole) {
  Data.History.Append(Rec(512));
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas first(300, 100);
  window.PrintTo(first);
  const int width = 600, height = 300;
  SetWindowPos(window.Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(window.Handle(), &client);
  ASSERT_EQ(client.right, width);
  ASSERT_EQ(client.bottom, height);
  DibCanvas canvas(width, height);
  canvas.FillWith({1, 2, 3});
  window.PrintTo(canvas);
  EXPECT_EQ(CountNear(canvas, {1, 2, 3}, 0, 0, width, height, 0), 0) << "pixels left unpainted";
  EXPECT_TRUE(ColumnIs(canvas, width - 3, 0, height - 40, {255, 0, 0}));
  EXPECT_EQ(canvas.At(width - 1, height - 1), kBlack);
}

TEST_F(GraphPaint, NoGdiObjectsLeakOverAThousandPaints) {
  for (int i = 0; i < 200; ++i)
    Data.History.Append(Rec(100 * i, 50 * i));
  Options.AvgTime = 0;
  Options.UseGradients = true;
  Options.ShowInOut = true;
  BPSSample r = Rec(5000);
  r.TopSrcPort = 80, r.TopDstPort = 5000, r.TopSrcHost = L"a.example", r.TopDstHost = L"b.example";
  Data.History.Append(r);
  Data.Cursor = {297, 30, true};
  GraphTestWindow window(300, 100, Data, Options);
  DibCanvas canvas(300, 100);
  window.PrintTo(canvas);
  const long before = LiveGdiObjects();
  ASSERT_GT(before, 0) << "no way to count GDI objects here";
  for (int i = 0; i < 1000; ++i)
    window.PrintTo(canvas);
  EXPECT_EQ(LiveGdiObjects(), before);
  // The counter itself must see a leak.
  OwnedFont leak(
      CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  EXPECT_EQ(LiveGdiObjects(), before + 1);
}

TEST_F(GraphPaint, CursorInsideTheWindowRectangleFrameIncluded) {
  GraphTestWindow window(300, 100, Data, Options);
  SetWindowPos(window.Handle(), HWND_TOPMOST, 100, 120, 300, 100, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  auto at = [&](int x, int y) {
    SetCursorPos(x, y);
    return ReadGraphCursor(window.Handle());
  };
  GraphCursor c = at(100, 120);
  POINT p{};
  GetCursorPos(&p);
  if (p.x != 100 || p.y != 120) GTEST_SKIP() << "this display does not move the cursor";
  EXPECT_TRUE(c.InWindow) << "left and top edges are inside";
  EXPECT_EQ(c.X, 0);
  EXPECT_EQ(c.Y, 0);
  c = at(397, 150);
  EXPECT_TRUE(c.InWindow);
  EXPECT_EQ(c.X, 297);
  EXPECT_EQ(c.Y, 30);
  EXPECT_FALSE(at(400, 150).InWindow) << "right edge is outside";
  EXPECT_FALSE(at(150, 220).InWindow) << "bottom edge is outside";
  EXPECT_TRUE(IsCursorInWindow(window.Handle()) == false);
}

// Every legend position follows measured text, so the face behind "Arial" must
// have Arial's widths: its digits are 1139/2048 em, 7 pixels at the 14-pixel
// font and 14 at twice that. A fallback face (DejaVu Sans: 8 and 15) would
// shift every text that follows a number.
TEST(GraphFont, DigitsAreAsWideAsArialsAtOneAndTwoTimesScale) {
  for (const auto& [dpi, tenDigits] : {std::pair{96, 70}, std::pair{192, 140}}) {
    OwnedFont font(CreateGraphFont(DpiScale{dpi}));
    ASSERT_TRUE(font);
    OwnedDc dc(CreateCompatibleDC(nullptr)); // goes first, releasing the font
    SelectObject(dc.Get(), font.Get());
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc.Get(), L"0123456789", 10, &size));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc.Get(), LF_FACESIZE, face);
    EXPECT_EQ(size.cx, tenDigits) << dpi << " DPI, drawn with " << std::wstring(face);
  }
}
