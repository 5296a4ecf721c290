#include <gtest/gtest.h>

#include "app/logic/placement.h"

// Failures show rectangles as left,top,right,bottom.
void PrintTo(const WindowRect& r, std::ostream* os) {
  *os << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
}

namespace {

// A 1920 x 1080 primary with its taskbar at the bottom, a second monitor of
// 1280 x 1024 to its left, a little higher.
const std::vector<WindowRect> TwoMonitors = {{0, 0, 1920, 1040}, {-1280, -200, 0, 784}};

TEST(Placement, AWindowWithAGraspablePieceOnScreenNeverMoves) {
  const WindowRect kept[] = {
      {100, 100, 400, 200},       // fully on the primary
      {1888, 1008, 2188, 1108},   // exactly 32 x 32 in the primary's corner
      {-1400, -300, -1248, -168}, // 32 x 32 on the second monitor, the rest off
      {-150, 300, 150, 400},      // across both monitors
      {10, 10, 30, 25},           // smaller than 32 x 32, all of it visible
  };
  for (const WindowRect& w : kept)
    EXPECT_EQ(KeepOnScreen(w, TwoMonitors), w);
  // No monitor information: nothing to judge by.
  const WindowRect far{5000, 4000, 5300, 4100};
  EXPECT_EQ(KeepOnScreen(far, {}), far);
}

TEST(Placement, LostWindowsComeBackOntoTheNearestWorkAreaKeepingTheirSize) {
  struct {
    WindowRect Window, Expected;
  } const cases[] = {
      // Stored on a monitor that is gone: into the primary's corner.
      {{5000, 4000, 5300, 4100}, {1620, 940, 1920, 1040}},
      // 31 pixels wide on screen: not enough to grab, pulled in by the shortest way.
      {{1889, 500, 2189, 600}, {1620, 500, 1920, 600}},
      // Only under the taskbar (below the work area).
      {{300, 1045, 600, 1145}, {300, 940, 600, 1040}},
      // Left of the second monitor: onto that one, not the primary.
      {{-3000, 0, -2700, 100}, {-1280, 0, -980, 100}},
      // Above both: the second monitor is nearer.
      {{-500, -900, -200, -800}, {-500, -200, -200, -100}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KeepOnScreen(c.Window, TwoMonitors), c.Expected) << ::testing::PrintToString(c.Window);
}

TEST(Placement, AWindowLargerThanTheWorkAreaIsShrunkToFit) {
  const std::vector<WindowRect> small = {{0, 0, 800, 560}};
  EXPECT_EQ(KeepOnScreen(WindowRect{-3000, 2000, 0, 3000}, small), (WindowRect{0, 0, 800, 560}));
  // Only the too-large side shrinks.
  EXPECT_EQ(KeepOnScreen(WindowRect{900, 100, 1100, 1000}, small), (WindowRect{600, 0, 800, 560}));
}

} // namespace
