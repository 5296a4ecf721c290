#pragma once
// Calendar days as plain numbers, so that usage kept per day can be summed over
// weeks and month periods by simple arithmetic.
#include <cstdint>

#include "platform/clock.h"

using CalendarDate = platform::CalendarDate;
// Days since 1970-01-01 (negative before it).
using DayNumber = std::int32_t;

int DaysInMonth(int year, int month);
bool IsValidDate(const CalendarDate& date);
// For valid dates; the two are inverse to each other.
DayNumber ToDayNumber(const CalendarDate& date);
CalendarDate ToCalendarDate(DayNumber day);

// A month period starts on `startDay` (1-28; other values count as 1) of a
// month and ends the day before that day of the next month.
DayNumber PeriodStart(DayNumber day, int startDay);
DayNumber NextPeriodStart(DayNumber periodStart, int startDay);
DayNumber PreviousPeriodStart(DayNumber periodStart, int startDay);
