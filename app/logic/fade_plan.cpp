#include "app/logic/fade_plan.h"

#include <algorithm>
#include <cstdlib>

namespace {
std::uint8_t ToAlpha(long long value) {
  return static_cast<std::uint8_t>(std::clamp<long long>(value, 0, 255));
}
} // namespace

FadePlan PlanFade(int from, int to, int durationMs) {
  FadePlan plan;
  from = ToAlpha(from);
  to = ToAlpha(to);
  if (from == to) return plan;
  plan.Empty = false;
  // 64-bit so that a long duration cannot overflow the product.
  const long long span = static_cast<long long>(to) - from;
  plan.DelayMs = static_cast<int>(std::llabs((static_cast<long long>(durationMs) * 10) / span));
  plan.Initial = static_cast<std::uint8_t>(from);
  if (from < to) {
    for (int a = from; a < to; a += 10)
      plan.Steps.push_back(static_cast<std::uint8_t>(a));
  } else {
    for (int a = from; a > to; a -= 10)
      plan.Steps.push_back(static_cast<std::uint8_t>(a));
  }
  plan.Final = static_cast<std::uint8_t>(to);
  return plan;
}
