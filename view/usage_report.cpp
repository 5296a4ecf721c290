#include "view/usage_report.h"

#include <cstdint>
#include <cwchar>
#include <limits>

#include "view/format.h"

UsageReport BuildUsageReport(const UsageHistory& history, DayNumber today, int startDay) {
  UsageReport report;
  for (int i = 0; i < UsageReportDays; ++i)
    report.Days.push_back({DayLabel(today - i), history.Day(today - i)});
  DayNumber start = PeriodStart(today, startDay);
  for (int i = 0; i < UsageReportMonths; ++i) {
    const DayNumber next = NextPeriodStart(start, startDay);
    report.Months.push_back({PeriodLabel(start, startDay), history.Sum(start, next - 1)});
    start = PreviousPeriodStart(start, startDay);
  }
  return report;
}

std::wstring DateText(DayNumber day) {
  const CalendarDate date = ToCalendarDate(day);
  wchar_t text[16];
  std::swprintf(text, 16, L"%02d.%02d.%04d", date.Day, date.Month, date.Year);
  return text;
}

std::wstring DayLabel(DayNumber day) {
  // 1970-01-01 was a Thursday.
  static constexpr const wchar_t* Weekdays[7] = {L"Do", L"Fr", L"Sa", L"So", L"Mo", L"Di", L"Mi"};
  const int weekday = ((day % 7) + 7) % 7;
  return std::wstring(Weekdays[weekday]) + L", " + DateText(day);
}

std::wstring PeriodLabel(DayNumber periodStart, int startDay) {
  return DateText(periodStart) + L" - " + DateText(NextPeriodStart(periodStart, startDay) - 1);
}

std::wstring FormatUsageBytes(std::uint64_t count) {
  constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return FormatBytes(static_cast<std::int64_t>(count < largest ? count : largest));
}

std::array<std::wstring, 4> UsageTexts(const UsageCounts& counts) {
  return {FormatUsageBytes(counts.In), FormatUsageBytes(counts.Out), FormatUsageBytes(counts.Other),
          FormatUsageBytes(counts.Total())};
}
