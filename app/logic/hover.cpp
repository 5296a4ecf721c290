#include "app/logic/hover.h"

HoverRefresh HoverState::OnMouseMove(std::uint64_t now, const WindowRect& client, int x, DpiScale scale) {
  HoverRefresh refresh;
  if (now <= NextHoverRefresh) return refresh;
  refresh.Refresh = true;
  refresh.Band = client;
  refresh.Band.Left += scale.Px(2);
  refresh.Band.Top += scale.Px(5);
  refresh.Band.Bottom = scale.Px(60);
  refresh.Strip = client;
  refresh.Strip.Left = x - scale.Px(3);
  refresh.Strip.Right = x + scale.Px(3);
  refresh.Strip.Bottom -= scale.Px(LegendStripHeight);
  refresh.PreviousStrip = LastCursorStrip;
  LastCursorStrip = refresh.Strip;
  NextHoverRefresh = now + HoverRefreshMs;
  return refresh;
}

HoverFade HoverState::OnMouseMoveFade(bool fadeOnHover) {
  if (HoverTracking || !fadeOnHover) return HoverFade::None;
  HoverTracking = true;
  return HoverFade::In;
}

HoverFade HoverState::OnMouseLeave(bool fadeOnHover) {
  const bool wasTracking = HoverTracking;
  HoverTracking = false;
  return (wasTracking && fadeOnHover) ? HoverFade::Out : HoverFade::None;
}
