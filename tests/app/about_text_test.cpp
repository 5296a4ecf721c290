#include <gtest/gtest.h>

#include <algorithm>

#include "app/logic/about_text.h"

namespace {

TEST(AboutText, VersionIsTheUnchangedLastLine) {
  const std::wstring version = L"libpcap version 1.10.3 (with TPACKET_V3)";
  const std::wstring text = BuildAboutText(version);
  const std::wstring tail = L"Verwendete WinPCap-SDK-Version: 4.0\nInstallierte Version:\n" + version;
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.rfind(L"Programm zur Überwachung des Netzwerktraffics", 0), 0u);
  // Nine lines: eight fixed ones, then the version.
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 8);
}

TEST(AboutText, MissingLibraryIsNamedNotLeftBlank) {
  const std::wstring text = BuildAboutText(L"");
  EXPECT_NE(text.substr(text.rfind(L'\n') + 1), L"");
}

} // namespace
