#pragma once
// Colours of the graph and the level colour ramp shared by bars, grid and legend.
#include <cstdint>

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Green at 0 through yellow at half the maximum to red at the maximum; cyan
// above it. Every channel keeps the low 8 bits of its truncated value.
Rgb RateColour(std::int64_t value, std::int64_t maximum);

// trunc(z) into 64 bits without undefined behaviour: NaN gives 0 and values
// beyond the range saturate.
std::int64_t TruncToInt64(double z);
// round(z) as the graph uses it: trunc(z + 0.5), toward zero.
std::int64_t RoundHalfUp(double z);
