#include <gtest/gtest.h>

#include <cstdint>

#include "view/format.h"

TEST(FormatBytes, UnitsAndBoundaries) {
  EXPECT_EQ(FormatBytes(0), L"0 B");
  EXPECT_EQ(FormatBytes(1023), L"1023 B");
  EXPECT_EQ(FormatBytes(1024), L"1.0 KiB");
  EXPECT_EQ(FormatBytes(1048575), L"1024.0 KiB") << "rounding after the unit was chosen";
  EXPECT_EQ(FormatBytes(1048576), L"1.0 MiB");
  EXPECT_EQ(FormatBytes(1610612736), L"1.5 GiB");
  EXPECT_EQ(FormatBytes(INT64_MAX), L"8.0 EiB");
  EXPECT_EQ(FormatBytes(1099511627776), L"1.0 TiB");
  EXPECT_EQ(FormatBytes(-5), L"-5 B");
  EXPECT_EQ(FormatBytes(-5000), L"-5000 B") << "negative counts are not scaled";
}

TEST(FormatBytes, ExactHalvesRoundUpNotToEven) {
  EXPECT_EQ(FormatBytes(1280), L"1.3 KiB");           // 1.25
  EXPECT_EQ(FormatBytes(1152), L"1.1 KiB");           // 1.125
  EXPECT_EQ(FormatBytes(2112), L"2.1 KiB");           // 2.0625
  EXPECT_EQ(FormatBytes(1075), L"1.0 KiB");           // 1.0498...
  EXPECT_EQ(FormatBytes(1076), L"1.1 KiB");           // 1.0507...
  EXPECT_EQ(FormatBytes(3 * 1024 + 256), L"3.3 KiB"); // 3.25
  EXPECT_EQ(FormatBytes(2621440), L"2.5 MiB");
  EXPECT_EQ(FormatBytes(2726297), L"2.6 MiB"); // 2.59999...
}

TEST(FormatDuration, RangesAndPadding) {
  EXPECT_EQ(FormatDuration(0), L"00 Sek.");
  EXPECT_EQ(FormatDuration(5), L"05 Sek.");
  EXPECT_EQ(FormatDuration(59), L"59 Sek.");
  EXPECT_EQ(FormatDuration(60), L"01:00 Min.");
  EXPECT_EQ(FormatDuration(75), L"01:15 Min.");
  EXPECT_EQ(FormatDuration(3599), L"59:59 Min.");
  EXPECT_EQ(FormatDuration(3600), L"01:00:00 Std.");
  EXPECT_EQ(FormatDuration(3661), L"01:01:01 Std.");
  EXPECT_EQ(FormatDuration(360000), L"100:00:00 Std.") << "wider numbers are not cut";
}

TEST(FormatNumbers, PlainDecimal) {
  EXPECT_EQ(FormatUnsigned(0), L"0");
  EXPECT_EQ(FormatUnsigned(UINT32_MAX), L"4294967295");
  EXPECT_EQ(FormatInteger(8080), L"8080");
  EXPECT_EQ(FormatInteger(-1), L"-1");
  EXPECT_EQ(FormatInteger(INT32_MIN), L"-2147483648");
}
