#include "view/rate_colour.h"

#include <cmath>

std::int64_t TruncToInt64(double z) {
  if (std::isnan(z)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  if (z >= 9223372036854775808.0) return INT64_MAX;
  if (z <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<std::int64_t>(z);
}

std::int64_t RoundHalfUp(double z) { return TruncToInt64(z + 0.5); }

static std::uint8_t Low8(std::int64_t v) {
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) & 0xFF);
}

Rgb RateColour(std::int64_t value, std::int64_t maximum) {
  if (value > maximum) return {0, 255, 255};
  const float half = static_cast<float>(maximum) * 0.5f;
  if (static_cast<double>(value) < static_cast<double>(half))
    return {Low8(TruncToInt64(static_cast<double>(value) / half * 255.0)), 255, 0};
  const double aboveHalf = static_cast<double>(value - maximum / 2);
  return {255, Low8(TruncToInt64(255.0 - aboveHalf / half * 255.0)), 0};
}
