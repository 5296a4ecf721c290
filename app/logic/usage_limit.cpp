#include "app/logic/usage_limit.h"

#include "view/usage_report.h"

bool LimitWatch::Update(DayNumber periodStart, std::uint64_t used, std::uint64_t limit) {
  const bool reached = limit != 0 && used >= limit;
  const bool news = Started && Period == periodStart && reached && !Reached;
  Started = true;
  Period = periodStart;
  Reached = reached;
  return news;
}

std::wstring MonthUsageLine(std::uint64_t used, std::uint64_t limit) {
  return L"Monat: " + FormatUsageBytes(used) + L" von " + FormatUsageBytes(limit);
}

std::wstring LimitReachedText(std::uint64_t used, std::uint64_t limit, DayNumber periodStart) {
  return L"Das Monatslimit von " + FormatUsageBytes(limit) + L" ist erreicht!\nSeit dem " +
         DateText(periodStart) + L" wurden " + FormatUsageBytes(used) + L" übertragen.";
}

std::wstring UsageNoticeText(UsageStore::Notice notice, const std::wstring& asidePath) {
  const std::size_t separator = asidePath.find_last_of(L"\\/");
  const std::wstring asideName =
      separator == std::wstring::npos ? asidePath : asidePath.substr(separator + 1);
  switch (notice) {
  case UsageStore::Notice::MovedAside:
    return L"Die Verbrauchsdatei verbrauch.csv war beschädigt und wurde als " + asideName +
           L" beiseitegelegt.\nDie Verbrauchsaufzeichnung beginnt neu.";
  case UsageStore::Notice::Unreadable:
    return L"Die Verbrauchsdatei verbrauch.csv kann nicht gelesen werden!\nDer Verbrauch wird gespeichert, "
           L"sobald sie wieder lesbar ist.";
  case UsageStore::Notice::DamagedNotMoved:
    return L"Die Verbrauchsdatei verbrauch.csv ist beschädigt und kann nicht beiseitegelegt werden!\nDer "
           L"Verbrauch wird gespeichert, sobald das möglich ist.";
  case UsageStore::Notice::None: break;
  }
  return {};
}
