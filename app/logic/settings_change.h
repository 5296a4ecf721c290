#pragma once
// What the capture engine must do after the settings sheet was confirmed.
class Settings;

enum class EngineAction { None, RestartCapture, ClearHistory, RecomputeAverages };

// First match wins: a new filter, promiscuous mode or IPv6 switch needs a new
// capture (which also empties the history), a new interval makes old samples
// incomparable, a new averaging time only recomputes the averages.
EngineAction DecideEngineAction(const Settings& before, const Settings& after);
