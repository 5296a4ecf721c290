#include <gtest/gtest.h>

#include <algorithm>

#include "settings/settings.h"
#include "tests/support/temp_dir.h"

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// The 18 lines every reader of the file knows, byte for byte, then the keys
// added since.
const std::string EighteenDefaultLines =
    "DeviceName=\r\nBytesTransmitted=0\r\nAvgTime=60\r\nInterval=1000\r\nCaptureFilter=not arp\r\n"
    "PromiscuousMode=0\r\nWindowPosX=0\r\nWindowPosY=0\r\nWindowWidth=300\r\nWindowHeight=100\r\n"
    "IsPopup=0\r\nIsMaximized=0\r\nIsVisible=1\r\nAlpha=255\r\nAlwaysOnTop=0\r\nUseGradients=0\r\n"
    "FadeOnHover=1\r\nShowInOut=1\r\n";
const std::string DefaultFile = EighteenDefaultLines + "IPv6=0\r\nMonatslimit=0\r\nMonatsbeginn=1\r\n";

Settings Defaults() {
  Settings s;
  s.SetDefaults();
  return s;
}

Settings Parsed(const std::string& bytes) {
  Settings s;
  s.SetDefaults();
  ParseSettings(bytes, s);
  return s;
}

void ExpectSameStoredFields(const Settings& a, const Settings& b) {
  EXPECT_EQ(SerializeSettings(a), SerializeSettings(b));
}

} // namespace

TEST(SettingsRecord, StartsEmptyAndDefaultsMatchTheFileTable) {
  Settings fresh;
  EXPECT_TRUE(fresh.CaptureFilter.empty());
  EXPECT_EQ(fresh.Interval, 0u);
  EXPECT_FALSE(fresh.IsVisible);

  EXPECT_EQ(SerializeSettings(Defaults()), DefaultFile);
}

TEST(SettingsRecord, SetDefaultsKeepsPathAppliedAndMaximized) {
  Settings s;
  s.FilePath = L"x";
  s.Applied = true;
  s.IsMaximized = true;
  s.Interval = 5;
  s.SetDefaults();
  EXPECT_EQ(s.FilePath, L"x");
  EXPECT_TRUE(s.Applied);
  EXPECT_TRUE(s.IsMaximized);
  EXPECT_EQ(s.Interval, 1000u);
}

TEST(SettingsRecord, CopyAssignmentLeavesPathAndAppliedAlone) {
  Settings source = Defaults();
  source.FilePath = L"source";
  source.Applied = true;
  source.CaptureFilter = L"tcp";
  source.BytesTransmitted = 1234567890123;
  source.IsMaximized = true;
  Settings target;
  target.FilePath = L"target";
  target = source;
  EXPECT_EQ(target.FilePath, L"target");
  EXPECT_FALSE(target.Applied);
  ExpectSameStoredFields(source, target);
}

TEST(SettingsParse, KeysValuesAndLineEnds) {
  // Only one key given: the rest keeps its defaults.
  Settings s = Parsed("Interval=250\r\n");
  EXPECT_EQ(s.Interval, 250u);
  s.Interval = 1000;
  ExpectSameStoredFields(s, Defaults());

  EXPECT_EQ(Parsed("interval=250\r\n").Interval, 1000u) << "keys are case-sensitive";
  EXPECT_EQ(Parsed("Interval=250\r\nInterval=300\r\n").Interval, 300u) << "the later line wins";
  EXPECT_EQ(Parsed("Interval=250\nAvgTime=7\n").AvgTime, 7) << "LF alone ends a line";
  EXPECT_EQ(Parsed("AvgTime=5\r\nInterval=250").Interval, 250u) << "last line without line end";
  EXPECT_EQ(Parsed("CaptureFilter=ip[0] = 0x45\r\n").CaptureFilter, L"ip[0] = 0x45");
  EXPECT_EQ(Parsed("CaptureFilter= tcp \r\n").CaptureFilter, L" tcp ");
  EXPECT_EQ(Parsed("CaptureFilter=\r\n").CaptureFilter, L"");
  EXPECT_EQ(Parsed("CaptureFilter=a\rb\r\n").CaptureFilter, L"a\rb") << "a lone CR is text";
}

TEST(SettingsParse, LineWithoutEqualsSwallowsTheNextKey) {
  const Settings s = Parsed("AvgTime=5\r\n\r\nInterval=250\r\nAlpha=100\r\n");
  EXPECT_EQ(s.AvgTime, 5);
  EXPECT_EQ(s.Interval, 1000u) << "the blank line becomes part of the next key";
  EXPECT_EQ(s.Alpha, 100u);

  const Settings t = Parsed("garbage line\r\nIsPopup=1\r\nShowInOut=0\r\n");
  EXPECT_FALSE(t.IsPopup);
  EXPECT_FALSE(t.ShowInOut);
}

TEST(SettingsParse, NumbersBooleansAndTheirBadForms) {
  EXPECT_EQ(Parsed("AvgTime= 30\r\n").AvgTime, 30);
  EXPECT_EQ(Parsed("Interval=500ms\r\n").Interval, 500u);
  EXPECT_EQ(Parsed("Interval=1.000\r\n").Interval, 1u);
  EXPECT_EQ(Parsed("WindowPosX=-20\r\n").WindowPosX, -20);
  EXPECT_EQ(Parsed("WindowPosX=+20\r\n").WindowPosX, 20);
  EXPECT_EQ(Parsed("WindowWidth=-1\r\n").WindowWidth, 0xFFFFFFFFu) << "two's complement in an unsigned field";
  EXPECT_EQ(Parsed("BytesTransmitted=9223372036854775807\r\n").BytesTransmitted, INT64_MAX);
  EXPECT_EQ(Parsed("BytesTransmitted=-9223372036854775808\r\n").BytesTransmitted, INT64_MIN);
  EXPECT_EQ(Parsed("AvgTime=-2147483648\r\n").AvgTime, INT32_MIN);

  // No digits, or out of range: the field's default, also over an earlier line.
  EXPECT_EQ(Parsed("Interval=250\r\nInterval=abc\r\n").Interval, 1000u);
  EXPECT_EQ(Parsed("Interval=-\r\n").Interval, 1000u);
  EXPECT_EQ(Parsed("Interval=4294967296\r\n").Interval, 1000u);
  EXPECT_EQ(Parsed("AvgTime=99999999999999999999\r\n").AvgTime, 60);
  EXPECT_EQ(Parsed("BytesTransmitted=9223372036854775808\r\n").BytesTransmitted, 0);
  EXPECT_TRUE(Parsed("IsVisible=\r\n").IsVisible);

  const Settings b = Parsed("IsPopup=2\r\nFadeOnHover=0\r\nAlwaysOnTop=-1\r\n");
  EXPECT_TRUE(b.IsPopup);
  EXPECT_FALSE(b.FadeOnHover);
  EXPECT_TRUE(b.AlwaysOnTop);
  EXPECT_NE(SerializeSettings(b).find("IsPopup=1\r\n"), std::string::npos);
}

// The window's opacity never wraps: -1 (read as 4294967295) and anything past
// 255 is opaque, while the file keeps what the user wrote.
TEST(SettingsRecord, AnAlphaPastTheByteIsOpaque) {
  for (const char* value : {"-1", "256", "4294967295"}) {
    const Settings s = Parsed(std::string("Alpha=") + value + "\r\n");
    EXPECT_EQ(s.WindowAlpha(), 255) << value;
  }
  EXPECT_NE(SerializeSettings(Parsed("Alpha=-1\r\n")).find("Alpha=4294967295\r\n"), std::string::npos);
  EXPECT_EQ(Parsed("Alpha=0\r\n").WindowAlpha(), 0);
  EXPECT_EQ(Parsed("Alpha=26\r\n").WindowAlpha(), 26);
}

TEST(SettingsParse, TextIsLatin1BothWays) {
  Settings s = Parsed("DeviceName=\\Device\\NPF_{\xE4\xF6\xFC\xDF}\r\n");
  EXPECT_EQ(s.DeviceName, L"\\Device\\NPF_{\u00E4\u00F6\u00FC\u00DF}");
  EXPECT_NE(SerializeSettings(s).find("DeviceName=\\Device\\NPF_{\xE4\xF6\xFC\xDF}\r\n"), std::string::npos);

  // Above U+00FF: '?' in place, the rest of the line kept.
  s.CaptureFilter = L"host \u20AC\u65E5 and tcp";
  EXPECT_NE(SerializeSettings(s).find("CaptureFilter=host ?? and tcp\r\n"), std::string::npos);
}

TEST(SettingsParse, ArbitraryBytesNeverBreakTheRecord) {
  std::string bytes;
  unsigned state = 12345;
  for (int round = 0; round < 2000; ++round) {
    bytes.clear();
    const int length = static_cast<int>(state % 200);
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245u + 12345u;
      const char pool[] = "=\r\n\0aAvgTimeInterval-+0123456789 \xFF";
      bytes += pool[(state >> 16) % (sizeof pool - 1)];
    }
    Settings s = Parsed(bytes);
    // Whatever was read must survive a save and a load unchanged.
    const std::string once = SerializeSettings(s);
    EXPECT_EQ(SerializeSettings(Parsed(once)), once);
  }
}

TEST(SettingsFile, MissingFileGivesDefaultsAndFalse) {
  TempDir dir;
  Settings s;
  s.FilePath = dir.File(L"bytwacht.ini");
  s.IsMaximized = false;
  EXPECT_FALSE(s.Load());
  ExpectSameStoredFields(s, Defaults());

  Settings noPath;
  EXPECT_FALSE(noPath.Load());
  EXPECT_FALSE(noPath.Save());
}

TEST(SettingsRecord, MonthlyLimitAndStartDayKeepTheirRanges) {
  const Settings set = Parsed("Monatslimit=10737418240\r\nMonatsbeginn=28\r\n");
  EXPECT_EQ(set.Monatslimit, 10737418240u);
  EXPECT_EQ(set.Monatsbeginn, 28);
  EXPECT_EQ(Parsed(SerializeSettings(set)).Monatslimit, 10737418240u);
  // Outside the ranges (or no number): the defaults, no limit and the 1st.
  for (const char* bad :
       {"Monatslimit=-1\r\nMonatsbeginn=29\r\n", "Monatslimit=18446744073709551616\r\nMonatsbeginn=0\r\n",
        "Monatslimit=x\r\nMonatsbeginn=\r\n"}) {
    const Settings s = Parsed(bad);
    EXPECT_EQ(s.Monatslimit, 0u) << bad;
    EXPECT_EQ(s.Monatsbeginn, 1) << bad;
  }
  Settings copy;
  copy = set;
  EXPECT_EQ(copy.Monatslimit, 10737418240u);
  EXPECT_EQ(copy.Monatsbeginn, 28);
}

TEST(SettingsFile, DefaultRecordSavesTheDefaultLines) {
  TempDir dir;
  Settings s;
  s.FilePath = dir.File(L"bytwacht.ini");
  s.SetDefaults();
  ASSERT_TRUE(s.Save());
  std::string bytes;
  ASSERT_TRUE(ReadBytes(s.FilePath, bytes));
  EXPECT_EQ(bytes, DefaultFile);
  EXPECT_FALSE(testsupport::FileExists(s.FilePath + L".new"));
}

TEST(SettingsFile, SaveAndLoadRoundTripDropsUnknownKeys) {
  TempDir dir;
  const std::wstring path = dir.File(L"bytwacht.ini");
  ASSERT_TRUE(
      WriteBytes(path, "ShowInOut=0\r\nExtra=1\r\nDeviceName=\\Device\\NPF_lo\r\nBytesTransmitted=42\r\n"));
  Settings s;
  s.FilePath = path;
  ASSERT_TRUE(s.Load());
  EXPECT_EQ(s.DeviceName, L"\\Device\\NPF_lo");
  EXPECT_EQ(s.BytesTransmitted, 42);
  EXPECT_FALSE(s.ShowInOut);
  s.WindowPosX = -1200;
  ASSERT_TRUE(s.Save());

  std::string bytes;
  ASSERT_TRUE(ReadBytes(path, bytes));
  EXPECT_EQ(bytes.find("Extra"), std::string::npos);
  EXPECT_EQ(bytes.rfind("DeviceName=\\Device\\NPF_lo\r\nBytesTransmitted=42\r\n", 0), 0u);

  Settings again;
  again.FilePath = path;
  ASSERT_TRUE(again.Load());
  ExpectSameStoredFields(again, s);
}

TEST(SettingsFile, IPv6IsOffUnlessTheFileSwitchesItOn) {
  // A file of an older version has no IPv6 line.
  Settings old = Parsed(EighteenDefaultLines);
  EXPECT_FALSE(old.IPv6);
  EXPECT_EQ(SerializeSettings(old), DefaultFile);

  Settings on = Parsed(EighteenDefaultLines + "IPv6=1\r\n");
  EXPECT_TRUE(on.IPv6);
  EXPECT_EQ(SerializeSettings(on), EighteenDefaultLines + "IPv6=1\r\nMonatslimit=0\r\nMonatsbeginn=1\r\n");
  EXPECT_FALSE(Parsed("ipv6=1\r\n").IPv6);

  Settings copy;
  copy = on;
  EXPECT_TRUE(copy.IPv6);
}

TEST(SettingsFile, SaveIntoMissingFolderFailsAndLeavesNothing) {
  TempDir dir;
  Settings s;
  s.SetDefaults();
  s.FilePath = dir.File(L"missing") + L"/bytwacht.ini";
  EXPECT_FALSE(s.Save());
}

TEST(SettingsFile, PathsOutsideTheAnsiCodePageStillLoadAndSave) {
  // A profile folder with Cyrillic and Japanese letters.
  TempDir dir(L"-\u041F\u0440\u043E\u0444\u0438\u043B\u044C-\u65E5\u672C");
  Settings s;
  s.FilePath = dir.File(L"bytwacht.ini");
  s.SetDefaults();
  s.Interval = 750;
  ASSERT_TRUE(s.Save());
  Settings again;
  again.FilePath = s.FilePath;
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.Interval, 750u);
}

#ifndef _WIN32
#include "platform/file.h"

namespace {
int FailAtCall = -1;
int Calls = 0;
bool FailNth(platform::FileOp) { return Calls++ == FailAtCall; }
} // namespace

TEST(SettingsFile, AFailedSaveNeverReplacesTheOldFile) {
  TempDir dir;
  Settings s;
  s.SetDefaults();
  s.FilePath = dir.File(L"bytwacht.ini");
  s.Interval = 111;
  ASSERT_TRUE(s.Save());
  std::string old;
  ASSERT_TRUE(ReadBytes(s.FilePath, old));

  // Fail each file operation of a save in turn: create, one write per line,
  // sync, close, replace.
  const int operations = 4 + static_cast<int>(std::count(old.begin(), old.end(), '\n'));
  s.Interval = 222;
  for (FailAtCall = 0; FailAtCall < operations; ++FailAtCall) {
    Calls = 0;
    platform::SetFileFaultHook(FailNth);
    EXPECT_FALSE(s.Save()) << "failing operation " << FailAtCall;
    platform::SetFileFaultHook(nullptr);
    std::string now;
    ASSERT_TRUE(ReadBytes(s.FilePath, now));
    EXPECT_EQ(now, old) << "failing operation " << FailAtCall;
  }
  Calls = 0;
  FailAtCall = -1;
  platform::SetFileFaultHook(FailNth);
  EXPECT_TRUE(s.Save());
  platform::SetFileFaultHook(nullptr);
  EXPECT_EQ(Calls, operations) << "create, one write per line, sync, close, replace";
}
#endif

TEST(SettingsRecord, TheLimitIsEnteredInMiBAndAnUntouchedEntryKeepsTheStoredBytes) {
  EXPECT_EQ(LimitToMiB(10737418240u), 10240);
  EXPECT_EQ(LimitToMiB(BytesPerMiB - 1), 0);
  EXPECT_EQ(LimitToMiB(~0ull), INT32_MAX);
  EXPECT_EQ(LimitFromMiB(100, 0), 100 * BytesPerMiB);
  EXPECT_EQ(LimitFromMiB(0, 5 * BytesPerMiB), 0u);
  EXPECT_EQ(LimitFromMiB(-3, 5 * BytesPerMiB), 0u);
  // A hand-edited limit of 1.5 MiB shows as 1 and stays 1.5 MiB when not changed.
  EXPECT_EQ(LimitFromMiB(1, BytesPerMiB * 3 / 2), BytesPerMiB * 3 / 2);
  EXPECT_EQ(LimitFromMiB(2, BytesPerMiB * 3 / 2), 2 * BytesPerMiB);
  EXPECT_EQ(LimitFromMiB(INT32_MAX, ~0ull), ~0ull);
}
