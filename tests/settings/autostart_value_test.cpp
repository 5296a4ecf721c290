#include <gtest/gtest.h>

#include "settings/autostart_value.h"

namespace {

const std::wstring Spaced = L"C:\\Program Files\\Bytwacht\\bytwacht.exe";

TEST(AutostartValue, WrittenInQuotesSoASpaceCannotSplitThePath) {
  EXPECT_EQ(AutostartCommand(Spaced), L"\"C:\\Program Files\\Bytwacht\\bytwacht.exe\"");
  EXPECT_TRUE(AutostartStartsProgram(AutostartCommand(Spaced), Spaced));
}

TEST(AutostartValue, QuotedAndBareFormsBothStartTheProgram) {
  EXPECT_TRUE(AutostartStartsProgram(L"\"" + Spaced + L"\"", Spaced));
  EXPECT_TRUE(AutostartStartsProgram(Spaced, Spaced)) << "written by earlier versions";
  EXPECT_TRUE(AutostartStartsProgram(L"  \"c:\\program files\\BYTWACHT\\Bytwacht.EXE\" ", Spaced));
  EXPECT_TRUE(AutostartStartsProgram(L"\"" + Spaced + L"\" /minimized", Spaced));

  EXPECT_FALSE(AutostartStartsProgram(L"\"C:\\Other\\bytwacht.exe\"", Spaced));
  EXPECT_FALSE(AutostartStartsProgram(L"\"" + Spaced, Spaced)) << "unclosed quote";
  EXPECT_FALSE(AutostartStartsProgram(L"\"" + Spaced + L"\"x", Spaced));
  EXPECT_FALSE(AutostartStartsProgram(L"C:\\Program", Spaced));
  EXPECT_FALSE(AutostartStartsProgram(L"", Spaced));
  EXPECT_FALSE(AutostartStartsProgram(L"\"\"", L"")) << "an unknown own path matches nothing";
}

TEST(AutostartValue, OnlyTheBareFormOfAPathWithASpaceNeedsQuotes) {
  EXPECT_TRUE(AutostartNeedsQuotes(Spaced, Spaced));
  EXPECT_FALSE(AutostartNeedsQuotes(AutostartCommand(Spaced), Spaced));
  EXPECT_FALSE(AutostartNeedsQuotes(L"C:\\Tools\\bytwacht.exe", L"C:\\Tools\\bytwacht.exe"))
      << "unambiguous without a space";
  EXPECT_FALSE(AutostartNeedsQuotes(L"C:\\Other Place\\bytwacht.exe", Spaced)) << "another copy's entry";
}

} // namespace
