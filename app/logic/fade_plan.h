#pragma once
// The steps of the blocking alpha fade of the layered main window.
#include <cstdint>
#include <vector>

struct FadePlan {
  bool Empty = true;
  // Set first, without a pause.
  std::uint8_t Initial = 0;
  // Each set, then followed by a pause of DelayMs.
  std::vector<std::uint8_t> Steps;
  int DelayMs = 0;
  // Set last.
  std::uint8_t Final = 0;
};

// Steps of 10 alpha units from `from` towards `to`, then `to` itself; the whole
// fade lasts about `durationMs`. Alphas outside 0..255 (a hand-edited settings
// file) are clamped first: a byte cast would turn 256 into fully transparent,
// and a huge value would mean millions of steps.
FadePlan PlanFade(int from, int to, int durationMs);
