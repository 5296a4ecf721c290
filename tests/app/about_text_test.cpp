#include <gtest/gtest.h>

#include <algorithm>

#include "app/logic/about_text.h"
#include "bytwacht_version.h"

namespace {

TEST(AboutText, LibraryVersionUnchangedThenTheProgramsOwn) {
  const std::wstring version = L"libpcap version 1.10.3 (with TPACKET_V3)";
  const std::wstring text = BuildAboutText(version);
  const std::wstring tail = L"Verwendete WinPCap-SDK-Version: 4.0\nInstallierte Version:\n" + version +
                            L"\n\nBytwacht-Version: " BYTWACHT_VERSION_TEXT;
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.rfind(L"Programm zur Überwachung des Netzwerktraffics", 0), 0u);
  // The nine specified lines, an empty one, then the program's version.
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 10);
}

TEST(AboutText, MissingLibraryIsNamedNotLeftBlank) {
  const std::wstring text = BuildAboutText(L"");
  const std::wstring label = L"Installierte Version:\n";
  const std::size_t line = text.find(label) + label.size();
  EXPECT_NE(text[line], L'\n');
}

} // namespace
