#pragma once
// Millisecond tick count and sleeping, as the sampler paces itself with them.
#include <cstdint>

namespace platform {

// Milliseconds since some fixed moment; wraps after 49.7 days.
std::uint32_t TickCount();
void SleepMs(std::uint32_t milliseconds);

#ifndef _WIN32
// Tests of the native build may replace the clock; null restores the real one.
using TickCountHook = std::uint32_t (*)();
using SleepHook = void (*)(std::uint32_t milliseconds);
void SetClockHooks(TickCountHook tickCount, SleepHook sleep);
#endif

} // namespace platform
