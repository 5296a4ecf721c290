#include "app/logic/placement.h"

#include <algorithm>
#include <cstdint>

namespace {

std::int64_t Width(const WindowRect& r) { return std::max<std::int64_t>(0, std::int64_t{r.Right} - r.Left); }
std::int64_t Height(const WindowRect& r) { return std::max<std::int64_t>(0, std::int64_t{r.Bottom} - r.Top); }

WindowRect Intersection(const WindowRect& a, const WindowRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

// Gap between two rectangles along one axis; 0 when they overlap on it.
std::int64_t Gap(std::int32_t lowA, std::int32_t highA, std::int32_t lowB, std::int32_t highB) {
  return std::max<std::int64_t>({0, std::int64_t{lowB} - highA, std::int64_t{lowA} - highB});
}

// The work area the system would call nearest: the one sharing the largest
// area with the window, or, sharing none, the one at the least distance.
const WindowRect& NearestArea(const WindowRect& window, const std::vector<WindowRect>& areas) {
  const WindowRect* best = &areas.front();
  std::int64_t bestShared = -1;
  std::int64_t bestDistance = INT64_MAX;
  for (const WindowRect& area : areas) {
    const WindowRect shared = Intersection(window, area);
    const std::int64_t sharedArea = Width(shared) * Height(shared);
    const std::int64_t dx = Gap(window.Left, window.Right, area.Left, area.Right);
    const std::int64_t dy = Gap(window.Top, window.Bottom, area.Top, area.Bottom);
    const std::int64_t distance = dx * dx + dy * dy;
    if (sharedArea > bestShared || (sharedArea == bestShared && distance < bestDistance)) {
      best = &area;
      bestShared = sharedArea;
      bestDistance = distance;
    }
  }
  return *best;
}

// Moves [low, low + size) into [areaLow, areaHigh) by the shortest way.
std::int32_t Fit(std::int32_t low, std::int64_t size, std::int32_t areaLow, std::int32_t areaHigh) {
  const std::int64_t highest = std::int64_t{areaHigh} - size;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(low, areaLow, std::max<std::int64_t>(areaLow, highest)));
}

} // namespace

WindowRect KeepOnScreen(const WindowRect& window, const std::vector<WindowRect>& workAreas) {
  if (workAreas.empty()) return window;
  const std::int64_t needX =
      std::min<std::int64_t>(VisiblePieceSize, std::max<std::int64_t>(1, Width(window)));
  const std::int64_t needY =
      std::min<std::int64_t>(VisiblePieceSize, std::max<std::int64_t>(1, Height(window)));
  for (const WindowRect& area : workAreas) {
    const WindowRect shared = Intersection(window, area);
    if (Width(shared) >= needX && Height(shared) >= needY) return window;
  }

  const WindowRect& area = NearestArea(window, workAreas);
  const std::int64_t width = std::min(Width(window), Width(area));
  const std::int64_t height = std::min(Height(window), Height(area));
  WindowRect placed;
  placed.Left = Fit(window.Left, width, area.Left, area.Right);
  placed.Top = Fit(window.Top, height, area.Top, area.Bottom);
  placed.Right = static_cast<std::int32_t>(placed.Left + width);
  placed.Bottom = static_cast<std::int32_t>(placed.Top + height);
  return placed;
}
