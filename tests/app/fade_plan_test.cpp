#include <gtest/gtest.h>

#include "app/logic/fade_plan.h"

namespace {

std::vector<int> AllSets(const FadePlan& plan) {
  std::vector<int> sets{plan.Initial};
  for (auto a : plan.Steps)
    sets.push_back(a);
  sets.push_back(plan.Final);
  return sets;
}

TEST(FadePlan, EqualAlphasDoNothing) { EXPECT_TRUE(PlanFade(200, 200, 150).Empty); }

TEST(FadePlan, StartupFadeInStepsOfTen) {
  FadePlan plan = PlanFade(0, 255, 200);
  EXPECT_EQ(plan.DelayMs, 7);
  ASSERT_EQ(plan.Steps.size(), 26u);
  EXPECT_EQ(plan.Steps.front(), 0);
  EXPECT_EQ(plan.Steps.back(), 250);
  EXPECT_EQ(plan.Final, 255);
}

TEST(FadePlan, FadeOutEndsWithFiveBeforeZero) {
  FadePlan plan = PlanFade(255, 0, 200);
  EXPECT_EQ(plan.DelayMs, 7);
  EXPECT_EQ(plan.Steps.back(), 5);
  EXPECT_EQ(plan.Final, 0);
}

TEST(FadePlan, HoverFadeFromTwoHundred) {
  FadePlan plan = PlanFade(200, 255, 150);
  EXPECT_EQ(plan.DelayMs, 27);
  EXPECT_EQ(AllSets(plan), (std::vector<int>{200, 200, 210, 220, 230, 240, 250, 255}));
}

TEST(FadePlan, AlphasOutsideAByteAreClamped) {
  // 256 from a hand-edited file would be 0 (invisible) as a byte.
  FadePlan plan = PlanFade(0, 256, 200);
  EXPECT_EQ(plan.Final, 255);
  EXPECT_EQ(plan.Steps.back(), 250);
  EXPECT_EQ(PlanFade(-40, 30, 100).Initial, 0);
  // Already opaque: nothing to do rather than a fade from 0.
  EXPECT_TRUE(PlanFade(255, 256, 150).Empty);
  // Huge values give the ordinary full fade, not millions of steps.
  FadePlan wide = PlanFade(-2147483647, 2147483647, 200);
  EXPECT_EQ(wide.Steps.size(), 26u);
  EXPECT_EQ(wide.DelayMs, 7);
}

} // namespace
