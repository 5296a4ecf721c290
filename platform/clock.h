#pragma once
// Millisecond tick count and sleeping, as the sampler paces itself with them,
// and the local calendar date that usage is booked on.
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
void SleepMs(std::uint32_t milliseconds);
// Today on the local clock, as the user's calendar shows it (time zone and
// daylight saving time applied); it may go back when the clock is set back.
CalendarDate LocalDate();

#ifndef _WIN32
// Tests of the native build may replace the clock; null restores the real one.
using TickCountHook = std::uint32_t (*)();
using SleepHook = void (*)(std::uint32_t milliseconds);
void SetClockHooks(TickCountHook tickCount, SleepHook sleep);
using LocalDateHook = CalendarDate (*)();
void SetLocalDateHook(LocalDateHook hook);
#endif

} // namespace platform
