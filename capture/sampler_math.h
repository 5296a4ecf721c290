#pragma once
// The arithmetic of one sample and of the moving average, kept free of threads
// and clocks so that it can be checked number by number.
#include <cstdint>

#include "capture/bps_sample.h"
#include "capture/packet_accounting.h"
#include "capture/traffic_history.h"

// 1 / (duration in seconds), single precision, as the rates use it.
float RateFactor(std::uint32_t durationMs);

// Total, In, Out and Other of `sample` from the interval's counters.
void FillRates(BPSSample& sample, const IntervalCounters& counters, float factor);

// The Average of a new sample appended to `history` (not yet in it); the
// averaging window is rounded up.
std::int64_t SamplerAverage(const TrafficHistory& history, std::int32_t avgTime, float factor);

// Recomputes every stored Average for a new AvgTime with the configured
// interval; here the window is rounded down. AvgTime 1 leaves them alone.
void RecomputeHistoryAverages(TrafficHistory& history, std::int32_t avgTime, std::uint32_t intervalMs);
