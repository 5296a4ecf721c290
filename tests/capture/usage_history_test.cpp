// Days as numbers, month periods by their start day, the usage rows and the
// exact bytes of the usage file.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "capture/civil_date.h"
#include "capture/usage_csv.h"
#include "capture/usage_history.h"

namespace {

constexpr std::uint64_t Max64 = std::numeric_limits<std::uint64_t>::max();

DayNumber Day(int year, int month, int day) { return ToDayNumber({year, month, day}); }

} // namespace

TEST(CalendarDays, EveryDayFromYear1To9999FollowsItsPredecessor) {
  EXPECT_EQ(Day(1970, 1, 1), 0);
  EXPECT_EQ(Day(2000, 3, 1), 11017);
  EXPECT_EQ(Day(1969, 12, 31), -1);
  CalendarDate expected{1, 1, 1};
  for (DayNumber day = Day(1, 1, 1); day <= Day(9999, 12, 31); ++day) {
    const CalendarDate date = ToCalendarDate(day);
    ASSERT_EQ(date, expected) << "day " << day;
    ASSERT_EQ(ToDayNumber(date), day);
    if (++expected.Day > DaysInMonth(expected.Year, expected.Month)) {
      expected.Day = 1;
      if (++expected.Month > 12) {
        expected.Month = 1;
        ++expected.Year;
      }
    }
  }
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_FALSE(IsValidDate({2026, 2, 29}));
  EXPECT_FALSE(IsValidDate({2026, 13, 1}));
  EXPECT_FALSE(IsValidDate({0, 1, 1}));
}

TEST(MonthPeriods, StartOnTheConfiguredDayAcrossMonthsAndYears) {
  // Start day 1: calendar months.
  EXPECT_EQ(PeriodStart(Day(2026, 12, 31), 1), Day(2026, 12, 1));
  EXPECT_EQ(PeriodStart(Day(2026, 12, 1), 1), Day(2026, 12, 1));
  // Start day 15: the 14th still belongs to the period that began last month.
  EXPECT_EQ(PeriodStart(Day(2026, 12, 14), 15), Day(2026, 11, 15));
  EXPECT_EQ(PeriodStart(Day(2026, 12, 15), 15), Day(2026, 12, 15));
  EXPECT_EQ(PeriodStart(Day(2027, 1, 3), 15), Day(2026, 12, 15));
  // Start day 28 over February, in a leap year and in another.
  EXPECT_EQ(PeriodStart(Day(2028, 2, 29), 28), Day(2028, 2, 28));
  EXPECT_EQ(PeriodStart(Day(2028, 3, 27), 28), Day(2028, 2, 28));
  EXPECT_EQ(NextPeriodStart(Day(2027, 2, 28), 28), Day(2027, 3, 28));
  EXPECT_EQ(NextPeriodStart(Day(2027, 2, 28), 28) - Day(2027, 2, 28), 28);
  EXPECT_EQ(NextPeriodStart(Day(2028, 2, 28), 28) - Day(2028, 2, 28), 29);
  // Stepping over the turn of the year, both ways.
  EXPECT_EQ(NextPeriodStart(Day(2026, 12, 5), 5), Day(2027, 1, 5));
  EXPECT_EQ(PreviousPeriodStart(Day(2027, 1, 5), 5), Day(2026, 12, 5));
  // A start day outside 1-28 (a hand-edited file) counts as 1.
  EXPECT_EQ(PeriodStart(Day(2026, 12, 7), 0), Day(2026, 12, 1));
  EXPECT_EQ(PeriodStart(Day(2026, 12, 7), 31), Day(2026, 12, 1));

  // Twelve periods back from any day cover a year without gap or overlap.
  for (int startDay = 1; startDay <= 28; ++startDay) {
    DayNumber start = PeriodStart(Day(2026, 6, 10), startDay);
    for (int i = 0; i < 12; ++i) {
      const DayNumber previous = PreviousPeriodStart(start, startDay);
      ASSERT_EQ(NextPeriodStart(previous, startDay), start);
      ASSERT_EQ(PeriodStart(start - 1, startDay), previous);
      ASSERT_EQ(ToCalendarDate(previous).Day, startDay);
      start = previous;
    }
    EXPECT_EQ(ToCalendarDate(start).Year, 2025);
  }
}

TEST(UsageRows, SumsStayExactBeyond32And63BitsAndNeverWrap) {
  UsageHistory history;
  const DayNumber day = Day(2026, 12, 7);
  history.Add(day, {0xFFFFFFFFull, 1, 0});
  history.Add(day, {1, 0x7FFFFFFFFFFFFFFFull, 2});
  history.Add(day, {0, 1, 0});
  EXPECT_EQ(history.Day(day), (UsageCounts{0x100000000ull, 0x8000000000000001ull, 2}));
  EXPECT_EQ(history.Day(day).Total(), 0x8000000100000003ull);

  // At 2^64 - 1 in one row the rest is dropped, so the row stays its own sum.
  history.Add(day, {Max64, Max64, Max64});
  const UsageCounts full = history.Day(day);
  EXPECT_EQ(full.Total(), Max64);
  EXPECT_EQ(full.In + full.Out + full.Other, Max64);
  UsageHistory reread;
  ASSERT_TRUE(ParseUsage(SerializeUsage(history), reread));
  EXPECT_EQ(reread.Days(), history.Days());

  // An interval is split as its sample splits it: the total is always the bytes.
  EXPECT_EQ(SplitInterval(3000, 1000, 500), (UsageCounts{1000, 500, 1500}));
  EXPECT_EQ(SplitInterval(100, 80, 80), (UsageCounts{80, 20, 0}));
  EXPECT_EQ(SplitInterval(Max64, 0, 0).Total(), Max64);
}

TEST(UsageFileFormat, WritesAsciiRowsInDateOrderWithCrLf) {
  UsageHistory history;
  EXPECT_EQ(SerializeUsage(history), "Datum;Ein;Aus;Unbekannt;Gesamt\r\n");
  history.Add(Day(2027, 1, 2), {5, 6, 7});
  history.Add(Day(2026, 12, 31), {18446744073709551000ull, 600, 15});
  history.Add(Day(987, 3, 4), {0, 0, 1});
  EXPECT_EQ(SerializeUsage(history), "Datum;Ein;Aus;Unbekannt;Gesamt\r\n"
                                     "0987-03-04;0;0;1;1\r\n"
                                     "2026-12-31;18446744073709551000;600;15;18446744073709551615\r\n"
                                     "2027-01-02;5;6;7;18\r\n");
}

TEST(UsageFileFormat, MergesRowsOutOfOrderOrRepeatedAndToleratesSpreadsheetHabits) {
  UsageHistory history;
  ASSERT_TRUE(ParseUsage("\xEF\xBB\xBF"
                         "Datum;Ein;Aus;Unbekannt;Gesamt\n"
                         "2026-12-07;1;2;3;6\r\n"
                         "2026-12-01;10;0;0;10\r\n"
                         "\r\n"
                         "2026-12-07;100;200;300;600\n"
                         "2026-11-30;0;0;4294967296;4294967296",
                         history));
  EXPECT_EQ(SerializeUsage(history), "Datum;Ein;Aus;Unbekannt;Gesamt\r\n"
                                     "2026-11-30;0;0;4294967296;4294967296\r\n"
                                     "2026-12-01;10;0;0;10\r\n"
                                     "2026-12-07;101;202;303;606\r\n");
}

TEST(UsageFileFormat, RefusesWhatIsNoUsageFile) {
  const std::string header = "Datum;Ein;Aus;Unbekannt;Gesamt\r\n";
  const char* const damaged[] = {
      "",
      "\r\n",
      "Datum;Ein;Aus;Unbekannt\r\n",
      "datum;ein;aus;unbekannt;gesamt\r\n",
      "2026-12-07;1;2;3;6\r\n",
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;7\r\n",   // total not the sum
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;60\r\n",  // digits lost or added
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;\r\n",    // cut short
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;6;0\r\n", // a field too many
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;-1;2;5;6\r\n",  // a sign
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07; 1;2;3;6\r\n",  // a blank
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1,5;2;3;6\r\n", // a decimal comma
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-02-29;1;2;3;6\r\n",   // no such day
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n07.12.2026;1;2;3;6\r\n",   // a German date
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-7;1;2;3;6\r\n",    // short
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;18446744073709551616;0;0;18446744073709551616\r\n",
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;18446744073709551615;1;0;0\r\n", // the sum wraps
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;18446744073709551615;0;0;18446744073709551615\r\n"
      "2026-12-07;1;0;0;1\r\n", // merged, the row would pass 2^64 - 1
      "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;6\r\n\x1a",
  };
  for (const char* bytes : damaged) {
    UsageHistory history;
    history.Add(1, {1, 1, 1});
    EXPECT_FALSE(ParseUsage(bytes, history)) << bytes;
  }
  UsageHistory history;
  EXPECT_TRUE(ParseUsage(header, history));
  EXPECT_TRUE(history.empty());
}
