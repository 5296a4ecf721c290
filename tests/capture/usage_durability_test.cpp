// Saving the usage file: a fault at any file operation, a damaged file that
// cannot be moved aside and a process killed while it saves must never leave
// a partial file or lose a booked byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "capture/usage_file.h"
#include "platform/text_conversion.h"
#include "tests/capture/usage_pattern.h"
#include "tests/support/file_faults.h"
#include "tests/support/temp_dir.h"

using platform::FileOp;
using testsupport::FileExists;
using testsupport::FileFaults;
using testsupport::FileOpName;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

std::string ContentOf(const std::wstring& path) {
  std::string bytes;
  return ReadBytes(path, bytes) ? bytes : std::string("<missing>");
}

} // namespace

TEST(UsageDurability, AFaultAtAnyFileOperationKeepsTheOldFileAndEveryBookedByte) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  std::vector<FileOp> ops;
  {
    UsageStore probe;
    probe.SetPath(dir.File(L"probe.csv"));
    probe.History() = reltest::PatternHistory(3);
    FileFaults faults;
    ASSERT_TRUE(probe.Save());
    ops = faults.Seen();
  }
  // Create, the header and three rows, sync, close, replace.
  ASSERT_EQ(ops.size(), 8u);

  for (std::size_t i = 0; i < ops.size(); ++i) {
    SCOPED_TRACE("fault at operation " + std::to_string(i) + " (" + FileOpName(ops[i]) + ")");
    const std::string old = SerializeUsage(reltest::PatternHistory(2));
    ASSERT_TRUE(WriteBytes(path, old));
    UsageStore store;
    store.SetPath(path);
    store.Load();
    reltest::BookPatternInterval(store.History(), 3);
    {
      FileFaults faults(static_cast<int>(i));
      EXPECT_FALSE(store.Save()) << "a failed save must not report success";
    }
    EXPECT_EQ(ContentOf(path), old);
    if (ops[i] != FileOp::Replace) {
      EXPECT_FALSE(FileExists(path + L".new"));
    }
    // Nothing booked is lost: the next save writes all of it.
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ContentOf(path), SerializeUsage(reltest::PatternHistory(3)));
    EXPECT_FALSE(FileExists(path + L".new"));
  }
}

TEST(UsageDurability, ADamagedFileThatCannotBeMovedAsideIsNeverOverwritten) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  const std::string damaged = "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;1;2;3;\r\n";
  ASSERT_TRUE(WriteBytes(path, damaged));
  UsageStore store;
  store.SetPath(path);
  store.History().Add(ToDayNumber({2026, 12, 7}), {9, 0, 0});
  {
    FileFaults faults(0); // the move aside fails; later moves pass
    store.Load();
    EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::DamagedNotMoved);
  }
  {
    FileFaults faults(0); // and fails again at the next save
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(faults.Seen().size(), 1u);
    EXPECT_EQ(faults.Seen()[0], FileOp::Move);
  }
  EXPECT_EQ(ContentOf(path), damaged);
  EXPECT_FALSE(FileExists(path + L".defekt"));

  // Once it can be moved, it is, and the history starts afresh with what was booked.
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(store.TakeNotice(), UsageStore::Notice::MovedAside);
  EXPECT_EQ(ContentOf(path + L".defekt"), damaged);
  EXPECT_EQ(ContentOf(path), "Datum;Ein;Aus;Unbekannt;Gesamt\r\n2026-12-07;9;0;0;9\r\n");
}

TEST(UsageDurability, KillingTheProcessWhileItSavesNeverLeavesAPartialFile) {
  TempDir dir;
  const std::wstring path = dir.File(L"verbrauch.csv");
  const std::string narrowPath = WideToNarrow(path);
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> delayUs(0, 60000);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
  int trials = 0;
  long long furthest = 0;
  for (; trials < 200 && std::chrono::steady_clock::now() < deadline; ++trials) {
    ASSERT_TRUE(WriteBytes(path, SerializeUsage(reltest::PatternHistory(0))));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::execl(USAGE_SAVE_LOOP, USAGE_SAVE_LOOP, narrowPath.c_str(), "100000", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::usleep(static_cast<useconds_t>(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << "the save loop failed by itself";

    long long n = -1;
    const std::string bytes = ContentOf(path);
    ASSERT_TRUE(reltest::IsPatternUsageFile(bytes, n))
        << "trial " << trials << ": not one complete save (" << bytes.size() << " bytes)";
    furthest = std::max(furthest, n);
  }
  EXPECT_GT(trials, 20);
  EXPECT_GT(furthest, 1);
  std::printf("kill -9 trials: %d, furthest save reached: %lld\n", trials, furthest);
}
