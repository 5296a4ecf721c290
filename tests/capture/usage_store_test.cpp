// The usage file on disk: a first start, a damaged file moved aside and never
// overwritten, and a file that cannot be read kept until it can.
#include <gtest/gtest.h>

#include <string>

#include "capture/usage_csv.h"
#include "capture/usage_file.h"
#include "platform/file.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_conversion.h"
#endif

using testsupport::FileExists;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

const std::string Header = "Datum;Ein;Aus;Unbekannt;Gesamt\r\n";
const DayNumber Today = ToDayNumber({2026, 12, 7});

std::string Content(const std::wstring& path) {
  std::string bytes;
  return ReadBytes(path, bytes) ? bytes : "<missing>";
}

bool MakeFolder(const std::wstring& path) {
#ifdef _WIN32
  return CreateDirectoryW(path.c_str(), nullptr) != 0;
#else
  return ::mkdir(WideToNarrow(path).c_str(), 0700) == 0;
#endif
}

bool RemoveFolder(const std::wstring& path) {
#ifdef _WIN32
  return RemoveDirectoryW(path.c_str()) != 0;
#else
  return ::rmdir(WideToNarrow(path).c_str()) == 0;
#endif
}

} // namespace

TEST(UsageStore, AFirstStartBeginsAHistoryAndTheNextStartAddsToIt) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  {
    UsageStore store;
    store.SetPath(path);
    store.History().Add(Today, {1, 2, 3}); // booked before the file was read
    store.Load();
    EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::None);
    ASSERT_TRUE(store.Save());
  }
  EXPECT_EQ(Content(path), Header + "2026-12-07;1;2;3;6\r\n");
  UsageStore store;
  store.SetPath(path);
  store.History().Add(Today, {10, 0, 0});
  store.Load();
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(Content(path), Header + "2026-12-07;11;2;3;16\r\n");
  EXPECT_FALSE(FileExists(path + L".new"));
}

TEST(UsageStore, ADamagedFileIsMovedAsideOnceAndNeverOverwritten) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  const std::string first = Header + "2026-12-07;1;2;3;7\r\n";
  ASSERT_TRUE(WriteBytes(path, first));
  UsageStore store;
  store.SetPath(path);
  store.Load();
  EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::MovedAside);
  EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::None);
  EXPECT_EQ(store.AsidePath(), path + L".defekt");
  EXPECT_EQ(Content(path + L".defekt"), first);
  EXPECT_TRUE(store.History().empty());
  store.History().Add(Today, {5, 0, 0});
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(Content(path), Header + "2026-12-07;5;0;0;5\r\n");

  // Damaged again (another run): the first one aside stays as it is.
  const std::string second = "Kaputt\r\n";
  ASSERT_TRUE(WriteBytes(path, second));
  UsageStore next;
  next.SetPath(path);
  next.Load();
  EXPECT_EQ(next.TakeNotice(), UsageStore::Notice::MovedAside);
  EXPECT_EQ(next.AsidePath(), path + L".defekt2");
  EXPECT_EQ(Content(path + L".defekt"), first);
  EXPECT_EQ(Content(path + L".defekt2"), second);
}

TEST(UsageStore, AFileThatCannotBeReadIsKeptUntilItCanAndThenMerged) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  // A folder in the file's place cannot be read as a file, as a file locked
  // by another program cannot.
  ASSERT_TRUE(MakeFolder(path));
  UsageStore store;
  store.SetPath(path);
  store.Load();
  EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::Unreadable);
  store.History().Add(Today, {7, 0, 0});
  EXPECT_FALSE(store.Save());
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::None); // told once
  EXPECT_FALSE(FileExists(path + L".defekt"));

  // Readable again: its rows and those gathered meanwhile go together.
  ASSERT_TRUE(RemoveFolder(path));
  ASSERT_TRUE(WriteBytes(path, Header + "2026-12-06;1;1;1;3\r\n2026-12-07;1;0;0;1\r\n"));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(Content(path), Header + "2026-12-06;1;1;1;3\r\n2026-12-07;8;0;0;8\r\n");
}
