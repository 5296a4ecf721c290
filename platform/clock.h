#pragma once
// Millisecond tick count, as the sampler paces itself with it (its sleeps are
// on a StopSignal, platform/stop_signal.h), and the local calendar date that
// usage is booked on.
#include <cstdint>

namespace platform {

// A day of the proleptic Gregorian calendar: month 1-12, day 1-31.
struct CalendarDate {
  int Year = 1970;
  int Month = 1;
  int Day = 1;
  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// Milliseconds since some fixed moment; wraps after 49.7 days.
std::uint32_t TickCount();
// Today on the local clock, as the user's calendar shows it (time zone and
// daylight saving time applied); it may go back when the clock is set back.
CalendarDate LocalDate();

#ifndef _WIN32
class StopSignal;
// Tests of the native build may replace the clock; null restores the real one.
// The sleep hook stands in for StopSignal::Sleep and returns true when the
// signal ended the sleep.
using TickCountHook = std::uint32_t (*)();
using SleepHook = bool (*)(std::uint32_t milliseconds, const StopSignal& signal);
void SetClockHooks(TickCountHook tickCount, SleepHook sleep);
using LocalDateHook = CalendarDate (*)();
void SetLocalDateHook(LocalDateHook hook);
#endif

} // namespace platform
