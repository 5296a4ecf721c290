#include "view/dpi_scale.h"

#include <algorithm>
#include <limits>

int ScaleForDpi(int value, int dpi) {
  // A DPI that no monitor reports (0, negative) counts as 100 %.
  if (dpi <= 0) dpi = BaseDpi;
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = BaseDpi / 2;
  const std::int64_t scaled = (product < 0 ? product - half : product + half) / BaseDpi;
  return static_cast<int>(
      std::clamp<std::int64_t>(scaled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
