#pragma once
// What the usage dialog lists: the last 31 days and the last 12 month periods,
// newest first, with their labels and byte texts.
#include <array>
#include <string>
#include <vector>

#include "capture/usage_history.h"

constexpr int UsageReportDays = 31;
constexpr int UsageReportMonths = 12;

struct UsageRow {
  std::wstring Label;
  UsageCounts Counts;
};

struct UsageReport {
  std::vector<UsageRow> Days;   // today first
  std::vector<UsageRow> Months; // the current period first
};

UsageReport BuildUsageReport(const UsageHistory& history, DayNumber today, int startDay);

// "Mo, 07.12.2026".
std::wstring DayLabel(DayNumber day);
// "07.12.2026".
std::wstring DateText(DayNumber day);
// "15.11.2026 - 14.12.2026" for the period that starts on `periodStart`.
std::wstring PeriodLabel(DayNumber periodStart, int startDay);
// FormatBytes for an unsigned count (beyond 8 EiB it shows 8 EiB).
std::wstring FormatUsageBytes(std::uint64_t count);
// Ein, Aus, Unbekannt and Gesamt as texts.
std::array<std::wstring, 4> UsageTexts(const UsageCounts& counts);
