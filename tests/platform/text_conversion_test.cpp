#include <gtest/gtest.h>

#include "platform/text_conversion.h"

TEST(TextConversion, RoundTripsWhatTheNarrowEncodingHolds) {
  EXPECT_EQ(WideToNarrow(L""), "");
  EXPECT_EQ(NarrowToWide(""), L"");
  const std::wstring name = L"\\Device\\NPF_{00000001-0000-0000-0000-4E6574446576}";
  EXPECT_EQ(NarrowToWide(WideToNarrow(name)), name);
  EXPECT_EQ(WideToNarrow(L"not arp"), "not arp");
  // Latin-1 letters exist in both the Windows ANSI page and UTF-8.
  const std::wstring umlauts = L"Gr\u00F6\u00DFe \u00E4\u00FC";
  EXPECT_EQ(NarrowToWide(WideToNarrow(umlauts)), umlauts);
}

#ifndef _WIN32
TEST(TextConversion, NativeUtf8NeverFailsOnBadInput) {
  EXPECT_EQ(WideToNarrow(L"\u00E4"), "\xC3\xA4");
  EXPECT_EQ(NarrowToWide("a\xFF"
                         "b"),
            L"a\uFFFD"
            L"b");
  EXPECT_EQ(NarrowToWide("\xC3"), L"\uFFFD") << "truncated sequence";
  EXPECT_EQ(NarrowToWide("\xC0\xAF"), L"\uFFFD") << "overlong form";
  EXPECT_EQ(WideToNarrow(std::wstring(1, static_cast<wchar_t>(0xD800))), "?");
}
#endif
