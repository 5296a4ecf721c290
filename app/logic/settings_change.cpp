#include "app/logic/settings_change.h"

#include "settings/settings.h"

EngineAction DecideEngineAction(const Settings& before, const Settings& after) {
  if (before.CaptureFilter != after.CaptureFilter || before.PromiscuousMode != after.PromiscuousMode ||
      before.IPv6 != after.IPv6)
    return EngineAction::RestartCapture;
  if (before.Interval.load() != after.Interval.load()) return EngineAction::ClearHistory;
  if (before.AvgTime.load() != after.AvgTime.load()) return EngineAction::RecomputeAverages;
  return EngineAction::None;
}
