#include <gtest/gtest.h>

#include "app/logic/hover.h"

namespace {

const WindowRect Client{0, 0, 284, 61};

TEST(Hover, RefreshIsThrottledAndRepaintsThePreviousStrip) {
  HoverState hover;
  HoverRefresh first = hover.OnMouseMove(1000, Client, 100);
  ASSERT_TRUE(first.Refresh);
  EXPECT_EQ(first.Band.Left, 2);
  EXPECT_EQ(first.Band.Top, 5);
  EXPECT_EQ(first.Band.Right, 284);
  EXPECT_EQ(first.Band.Bottom, 60);
  EXPECT_EQ(first.Strip.Left, 97);
  EXPECT_EQ(first.Strip.Right, 103);
  EXPECT_EQ(first.Strip.Bottom, 41);
  EXPECT_EQ(first.PreviousStrip.Right, 0);

  EXPECT_FALSE(hover.OnMouseMove(1150, Client, 120).Refresh);
  HoverRefresh later = hover.OnMouseMove(1151, Client, 120);
  ASSERT_TRUE(later.Refresh);
  EXPECT_EQ(later.PreviousStrip.Left, 97);
  EXPECT_EQ(later.Strip.Left, 117);
}

TEST(Hover, AreasFollowTheGraphLayoutAtTheWindowDpi) {
  HoverState hover;
  const WindowRect client{0, 0, 568, 122};
  const HoverRefresh r = hover.OnMouseMove(1000, client, 200, DpiScale{192});
  EXPECT_EQ(r.Band.Left, 4);
  EXPECT_EQ(r.Band.Top, 10);
  EXPECT_EQ(r.Band.Bottom, 120) << "reaches below the last overlay row at 82 + 28";
  EXPECT_EQ(r.Strip.Left, 194);
  EXPECT_EQ(r.Strip.Right, 206);
  EXPECT_EQ(r.Strip.Bottom, 82) << "the baseline above the 40-pixel legend strip";
}

TEST(Hover, ThrottleKeepsWorkingPastTheThirtyTwoBitTickWrap) {
  HoverState hover;
  ASSERT_TRUE(hover.OnMouseMove(0xFFFFFF00ull, Client, 10).Refresh);
  EXPECT_TRUE(hover.OnMouseMove(0x100000100ull, Client, 10).Refresh);
}

TEST(Hover, FadeInOnceAndOutOnLeaveOnlyWithFadeOnHover) {
  HoverState hover;
  EXPECT_EQ(hover.OnMouseMoveFade(false), HoverFade::None);
  EXPECT_FALSE(hover.Tracking());
  EXPECT_EQ(hover.OnMouseMoveFade(true), HoverFade::In);
  EXPECT_EQ(hover.OnMouseMoveFade(true), HoverFade::None);
  EXPECT_EQ(hover.OnMouseLeave(true), HoverFade::Out);
  EXPECT_EQ(hover.OnMouseMoveFade(true), HoverFade::In);
}

TEST(Hover, SwitchingFadeOnHoverOffWhileHoveringDoesNotStickTheTracking) {
  HoverState hover;
  ASSERT_EQ(hover.OnMouseMoveFade(true), HoverFade::In);
  // The user turns the option off in the sheet, the mouse leaves later.
  EXPECT_EQ(hover.OnMouseLeave(false), HoverFade::None);
  EXPECT_FALSE(hover.Tracking());
  // Turned on again: the next hover fades in again.
  EXPECT_EQ(hover.OnMouseMoveFade(true), HoverFade::In);
}

} // namespace
