#include <gtest/gtest.h>

#include "app/logic/settings_change.h"
#include "app/logic/shell_constants.h"
#include "app/logic/window_state.h"
#include "settings/settings.h"

namespace {

TEST(CaptureWindowState, NormalWindowRecordsItsOuterRectangle) {
  Settings settings;
  const WindowRect rect{-20, 40, 280, 140};
  CaptureWindowStateInto(settings, NormalWindowStyle | 0x10000000 /* WS_VISIBLE */, &rect, true);
  EXPECT_EQ(settings.WindowPosX, -20);
  EXPECT_EQ(settings.WindowPosY, 40);
  EXPECT_EQ(settings.WindowWidth, 300u);
  EXPECT_EQ(settings.WindowHeight, 100u);
  EXPECT_FALSE(settings.IsPopup);
  EXPECT_FALSE(settings.IsMaximized);
  EXPECT_TRUE(settings.IsVisible);
}

TEST(CaptureWindowState, MinimisedOrMaximisedKeepTheLastNormalRectangle) {
  Settings settings;
  const WindowRect normal{10, 20, 310, 120}, screen{0, 0, 1024, 768}, icon{-32000, -32000, -31840, -31970};
  CaptureWindowStateInto(settings, NormalWindowStyle, &normal, true);
  CaptureWindowStateInto(settings, NormalWindowStyle | StyleMaximizeBit, &screen, true);
  EXPECT_EQ(settings.WindowPosX, 10);
  EXPECT_EQ(settings.WindowWidth, 300u);
  EXPECT_TRUE(settings.IsMaximized);
  CaptureWindowStateInto(settings, PopupWindowStyle | StyleMinimizeBit, &icon, true);
  EXPECT_EQ(settings.WindowPosX, 10);
  EXPECT_FALSE(settings.IsMaximized);
  EXPECT_TRUE(settings.IsPopup);
}

TEST(CaptureWindowState, HiddenToTheTrayIsStoredInvisible) {
  Settings settings;
  settings.IsVisible = true;
  const WindowRect rect{0, 0, 300, 100};
  CaptureWindowStateInto(settings, PopupWindowStyle, &rect, false);
  EXPECT_FALSE(settings.IsVisible);
  EXPECT_TRUE(settings.IsPopup);
}

// Stored maximised but started hidden: the maximise waits for the first show,
// and a save meanwhile (the timer, a logoff) must not lose it. The normal
// rectangle is what the hidden window has.
TEST(CaptureWindowState, APendingMaximiseIsSavedAsMaximised) {
  Settings settings;
  const WindowRect normal{40, 40, 440, 200};
  CaptureWindowStateInto(settings, NormalWindowStyle, &normal, false, true);
  EXPECT_TRUE(settings.IsMaximized);
  EXPECT_FALSE(settings.IsVisible);
  EXPECT_EQ(settings.WindowWidth, 400u);
  CaptureWindowStateInto(settings, NormalWindowStyle, &normal, true, false);
  EXPECT_FALSE(settings.IsMaximized) << "once shown, the window's own style decides";
}

// A save after the window is gone (GetWindowRect failed) must not store a
// zero-sized window that the next start could not show.
TEST(CaptureWindowState, UnreadableRectangleKeepsTheStoredGeometry) {
  Settings settings;
  settings.SetDefaults();
  settings.WindowPosX = 40;
  settings.WindowWidth = 500;
  CaptureWindowStateInto(settings, 0, nullptr, false);
  EXPECT_EQ(settings.WindowPosX, 40);
  EXPECT_EQ(settings.WindowWidth, 500u);
  EXPECT_EQ(settings.WindowHeight, 100u);
}

TEST(PopupToggle, SwitchesStyleWordAndToolWindowBitOnly) {
  const std::uint32_t layered = ExStyleLayered;
  StyleChange toPopup = TogglePopupStyles(NormalWindowStyle | StyleMaximizeBit, layered);
  EXPECT_EQ(toPopup.Style, PopupWindowStyle);
  EXPECT_EQ(toPopup.ExStyle, layered | ExStyleToolWindow);
  EXPECT_TRUE(toPopup.WasMaximized);

  StyleChange back = TogglePopupStyles(toPopup.Style | StyleMaximizeBit, toPopup.ExStyle);
  EXPECT_EQ(back.Style, NormalWindowStyle);
  EXPECT_EQ(back.ExStyle, layered);
  EXPECT_TRUE(back.WasMaximized);

  EXPECT_EQ(StartupStyles(true, layered).ExStyle, layered | ExStyleToolWindow);
  EXPECT_EQ(StartupStyles(false, layered).Style, NormalWindowStyle);
}

TEST(SettingsChange, FirstMatchingChangeDecidesTheEngineAction) {
  Settings before;
  before.SetDefaults();
  Settings after;
  after = before;
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::None);

  after.AvgTime = 120;
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::RecomputeAverages);
  after.Interval = 500; // both changed: clearing is enough
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::ClearHistory);
  after.CaptureFilter = L"Not arp"; // case matters
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::RestartCapture);

  after = before;
  after.PromiscuousMode = !before.PromiscuousMode;
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::RestartCapture);
  after = before;
  after.IPv6 = !before.IPv6;
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::RestartCapture);

  // Window-only changes leave the engine alone.
  after = before;
  after.Alpha = 100;
  after.AlwaysOnTop = true;
  after.UseGradients = true;
  EXPECT_EQ(DecideEngineAction(before, after), EngineAction::None);
}

} // namespace
