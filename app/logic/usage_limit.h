#pragma once
// The monthly limit: when a month period's usage reaches it, and the texts the
// icon shows for it and for trouble with the usage file.
#include <cstdint>
#include <string>

#include "capture/civil_date.h"
#include "capture/usage_file.h"

// One warning per month period: Update is true once, when the period's usage
// reaches the limit. The first call of a run and the first of every period
// only take note, so a limit reached before the program started (or in a
// period the clock was set back to) is not warned of again. A limit lowered
// below what was used warns, one raised above it re-arms.
class LimitWatch {
public:
  bool Update(DayNumber periodStart, std::uint64_t used, std::uint64_t limit);

private:
  bool Started = false;
  DayNumber Period = 0;
  bool Reached = false;
};

// "Monat: 1.2 GiB von 10.0 GiB".
std::wstring MonthUsageLine(std::uint64_t used, std::uint64_t limit);
// The warning balloon's text when the limit is reached.
std::wstring LimitReachedText(std::uint64_t used, std::uint64_t limit, DayNumber periodStart);
// The balloon text for a usage-file notice; empty for None.
std::wstring UsageNoticeText(UsageStore::Notice notice, const std::wstring& asidePath);

constexpr const wchar_t* UsageWarningTitle = L"Bytwacht - Warnung";
