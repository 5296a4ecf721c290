// The monthly limit's warning and the month line in the icon's tip.
#include <gtest/gtest.h>

#include "app/logic/tip_text.h"
#include "app/logic/tray_fields.h"
#include "app/logic/tray_status.h"
#include "app/logic/usage_limit.h"
#include "capture/bps_sample.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

// The tip as the shell keeps it.
std::wstring ShownTip(const std::wstring& text) {
  std::uint64_t hold = 0;
  return CutText(DecideStatus(0x21, text.c_str(), 0, hold).TipText, 127);
}

} // namespace

TEST(MonthlyLimit, WarnsOncePerPeriodWhenTheUsageReachesTheLimit) {
  const DayNumber december = ToDayNumber({2026, 12, 1}), january = ToDayNumber({2027, 1, 1});
  LimitWatch watch;
  // Already past the limit when the program starts: warned of in an earlier run.
  EXPECT_FALSE(watch.Update(december, 20 * MiB, 10 * MiB));
  EXPECT_FALSE(watch.Update(december, 21 * MiB, 10 * MiB));
  // A new period starts below the limit; reaching it warns once.
  EXPECT_FALSE(watch.Update(january, 0, 10 * MiB));
  EXPECT_FALSE(watch.Update(january, 10 * MiB - 1, 10 * MiB));
  EXPECT_TRUE(watch.Update(january, 10 * MiB, 10 * MiB));
  EXPECT_FALSE(watch.Update(january, 11 * MiB, 10 * MiB));
  // The clock set back into December, whose usage is past the limit: nothing.
  EXPECT_FALSE(watch.Update(december, 21 * MiB, 10 * MiB));
  EXPECT_FALSE(watch.Update(january, 11 * MiB, 10 * MiB));
  // A raised limit re-arms, a lowered one below the usage warns at once.
  EXPECT_FALSE(watch.Update(january, 11 * MiB, 20 * MiB));
  EXPECT_TRUE(watch.Update(january, 11 * MiB, 5 * MiB));
  // Off (0) never warns.
  EXPECT_FALSE(watch.Update(january, 11 * MiB, 0));
  EXPECT_FALSE(watch.Update(january, 12 * MiB, 0));

  EXPECT_EQ(LimitReachedText(10 * MiB + 1, 10 * MiB, january),
            L"Das Monatslimit von 10.0 MiB ist erreicht!\nSeit dem 01.01.2027 wurden 10.0 MiB übertragen.");
}

TEST(MonthlyLimit, TheTipShowsTheMonthWholeAndDropsThePortsBeforeTheShellCutsThem) {
  BPSSample sample;
  sample.Total = 100;
  sample.Average = 100;
  sample.TopSrcPort = 1025;
  sample.TopDstPort = 80;
  const std::wstring line = MonthUsageLine(812 * MiB, 10240 * MiB);
  EXPECT_EQ(line, L"Monat: 812.0 MiB von 10.0 GiB");
  // Room for everything: the month comes last.
  EXPECT_EQ(BuildTipText(sample, line),
            L"Aktuelle Transferrate: 100 B\nDurchschnitt: 100 B\n"
            L"Max. Verbindung (Ports): 1025 -> 80\nMonat: 812.0 MiB von 10.0 GiB");
  // The longest figures would push the month past the cut: the ports give way.
  sample.Total = sample.Average = 1048575; // "1024.0 KiB"
  sample.TopSrcPort = sample.TopDstPort = 65535;
  const std::wstring longest = MonthUsageLine(1048575, 1048575);
  const std::wstring tip = ShownTip(BuildTipText(sample, longest));
  EXPECT_EQ(tip, L"Status: OK\nAktuelle Transferrate: 1024.0 KiB\nDurchschnitt: 1024.0 KiB\n"
                 L"Monat: 1024.0 KiB von 1024.0 KiB");
  // Without a limit the tip is the plain one.
  EXPECT_EQ(BuildTipText(sample), BuildTipText(sample, L""));
  EXPECT_EQ(BuildTipText(sample).find(L"Monat"), std::wstring::npos);
}
