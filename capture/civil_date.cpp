#include "capture/civil_date.h"

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int ValidStartDay(int startDay) { return startDay >= 1 && startDay <= 28 ? startDay : 1; }

// Month `month` of `year` moved by `delta` months, as a year and month.
CalendarDate MonthStep(int year, int month, int delta, int day) {
  const int index = year * 12 + (month - 1) + delta;
  const int newYear = index >= 0 ? index / 12 : (index - 11) / 12;
  return {newYear, index - newYear * 12 + 1, day};
}

} // namespace

int DaysInMonth(int year, int month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool IsValidDate(const CalendarDate& date) {
  return date.Year >= 1 && date.Year <= 9999 && date.Day >= 1 &&
         date.Day <= DaysInMonth(date.Year, date.Month);
}

// The usual era-based conversion: 400-year eras of 146097 days each.
DayNumber ToDayNumber(const CalendarDate& date) {
  const int y = date.Year - (date.Month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int monthFromMarch = date.Month > 2 ? date.Month - 3 : date.Month + 9;
  const int dayOfYear = (153 * monthFromMarch + 2) / 5 + date.Day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CalendarDate ToCalendarDate(DayNumber day) {
  const int z = day + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int dayOfEra = z - era * 146097;
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int d = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const int m = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  return {yearOfEra + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

DayNumber PeriodStart(DayNumber day, int startDay) {
  startDay = ValidStartDay(startDay);
  const CalendarDate date = ToCalendarDate(day);
  if (date.Day >= startDay) return ToDayNumber({date.Year, date.Month, startDay});
  return ToDayNumber(MonthStep(date.Year, date.Month, -1, startDay));
}

DayNumber NextPeriodStart(DayNumber periodStart, int startDay) {
  const CalendarDate date = ToCalendarDate(PeriodStart(periodStart, startDay));
  return ToDayNumber(MonthStep(date.Year, date.Month, 1, ValidStartDay(startDay)));
}

DayNumber PreviousPeriodStart(DayNumber periodStart, int startDay) {
  const CalendarDate date = ToCalendarDate(PeriodStart(periodStart, startDay));
  return ToDayNumber(MonthStep(date.Year, date.Month, -1, ValidStartDay(startDay)));
}
