// A save that fails at any step, a full disk and a process killed in the middle
// of saving must all leave the complete old settings file or the complete new
// one: never an empty or cut-short file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/file.h"
#include "platform/text_conversion.h"
#include "settings/settings.h"
#include "tests/settings/settings_pattern.h"
#include "tests/support/file_faults.h"
#include "tests/support/temp_dir.h"

using platform::FileOp;
using reltest::FillPatternRecord;
using reltest::IsPatternFile;
using reltest::PatternFile;
using testsupport::FileExists;
using testsupport::FileFaults;
using testsupport::FileOpName;
using testsupport::ReadBytes;
using testsupport::TempDir;

namespace {

std::string ContentOf(const std::wstring& path) {
  std::string bytes;
  return ReadBytes(path, bytes) ? bytes : std::string("<missing>");
}

bool SavePattern(const std::wstring& path, long long n) {
  Settings s;
  s.FilePath = path;
  FillPatternRecord(s, n);
  return s.Save();
}

// The file operations of one fault-free save, in order.
std::vector<FileOp> OpsOfOneSave(const std::wstring& path) {
  FileFaults faults;
  EXPECT_TRUE(SavePattern(path, 2));
  return faults.Seen();
}

} // namespace

TEST(SettingsDurability, AFaultAtAnyFileOperationKeepsTheOldFileWhole) {
  TempDir dir;
  const std::wstring path = dir.File(L"bytwacht.ini");
  const std::vector<FileOp> ops = OpsOfOneSave(path);
  // Create, one write per line, sync, close, replace.
  const std::string file = PatternFile(2);
  ASSERT_EQ(ops.size(), 4 + static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')));

  for (std::size_t i = 0; i < ops.size(); ++i) {
    SCOPED_TRACE(std::string("fault at operation ") + std::to_string(i) + " (" + FileOpName(ops[i]) + ")");
    ASSERT_TRUE(SavePattern(path, 1));
    {
      FileFaults faults(static_cast<int>(i));
      EXPECT_FALSE(SavePattern(path, 6)) << "a failed save must not report success";
    }
    EXPECT_EQ(ContentOf(path), PatternFile(1));
    // Only a failed replace may leave the new file behind, and then complete.
    if (ops[i] != FileOp::Replace)
      EXPECT_FALSE(FileExists(path + L".new"));
    else
      EXPECT_EQ(ContentOf(path + L".new"), PatternFile(6));

    Settings loaded;
    loaded.FilePath = path;
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.BytesTransmitted, 1);

    // The next save, without a fault, goes through.
    EXPECT_TRUE(SavePattern(path, 6));
    EXPECT_EQ(ContentOf(path), PatternFile(6));
    EXPECT_FALSE(FileExists(path + L".new"));
  }
}

TEST(SettingsDurability, AFailedFirstSaveLeavesNoFileRatherThanAnEmptyOne) {
  TempDir dir;
  const std::wstring path = dir.File(L"bytwacht.ini");
  const std::size_t opCount = OpsOfOneSave(dir.File(L"probe.ini")).size();
  for (std::size_t i = 0; i < opCount; ++i) {
    SCOPED_TRACE("fault at operation " + std::to_string(i));
    {
      FileFaults faults(static_cast<int>(i));
      EXPECT_FALSE(SavePattern(path, 3));
    }
    EXPECT_FALSE(FileExists(path));
    Settings loaded;
    loaded.FilePath = path;
    EXPECT_FALSE(loaded.Load());
    EXPECT_EQ(loaded.Interval, 1000u);
    platform::RemoveFile(path + L".new");
  }
}

namespace {

// A tmpfs of a few pages mounted on a folder for the life of the object.
class TinyTmpfs {
public:
  TinyTmpfs(const std::wstring& dir, const char* size) : Dir(WideToNarrow(dir)) {
    const std::string options = std::string("size=") + size + ",mode=0700";
    Mounted = ::mount("tmpfs", Dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    Error = errno;
  }
  ~TinyTmpfs() {
    if (Mounted) ::umount2(Dir.c_str(), MNT_DETACH);
  }
  bool Mounted = false;
  int Error = 0;

private:
  std::string Dir;
};

// Fills the file system with one file until it is full, then gives back
// `freeBytes` bytes of it.
void FillLeaving(const std::string& filler, off_t freeBytes) {
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'f');
  off_t size = 0;
  for (int i = 0; i < 100000; ++i) {
    const ssize_t put = ::write(fd, block.data(), block.size());
    if (put <= 0) break;
    size += put;
  }
  ASSERT_EQ(::ftruncate(fd, size > freeBytes ? size - freeBytes : 0), 0);
  ::close(fd);
}

} // namespace

TEST(SettingsDurability, AFullDiskNeverCutsTheSettingsFileShort) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  TempDir dir;
  TinyTmpfs fs(dir.Path(), "32k");
  if (!fs.Mounted) GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(fs.Error);
  const std::wstring path = dir.File(L"bytwacht.ini");
  const std::string filler = WideToNarrow(dir.File(L"filler"));

  // Record 6 is about 8 KiB (two or three pages), record 1 under 2 KiB.
  int failures = 0, successes = 0;
  for (off_t freeBytes = 0; freeBytes <= 16384; freeBytes += 1024) {
    SCOPED_TRACE("free bytes " + std::to_string(freeBytes));
    ::unlink(filler.c_str());
    platform::RemoveFile(path + L".new");
    ASSERT_TRUE(SavePattern(path, 1));
    FillLeaving(filler, freeBytes);

    const bool saved = SavePattern(path, 6);
    const std::string content = ContentOf(path);
    if (saved) {
      ++successes;
      EXPECT_EQ(content, PatternFile(6));
    } else {
      ++failures;
      EXPECT_EQ(content, PatternFile(1));
      EXPECT_FALSE(FileExists(path + L".new"));
    }
  }
  // Both outcomes must have been seen, or the disk was never really full.
  EXPECT_GT(failures, 0);
  EXPECT_GT(successes, 0);
  ::unlink(filler.c_str());
}

TEST(SettingsDurability, KillingTheProcessWhileItSavesNeverLeavesAPartialFile) {
  TempDir dir;
  const std::wstring path = dir.File(L"bytwacht.ini");
  const std::string narrowPath = WideToNarrow(path);
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> delayUs(0, 60000);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
  int trials = 0;
  long long newest = 0;
  for (; trials < 200 && std::chrono::steady_clock::now() < deadline; ++trials) {
    ASSERT_TRUE(SavePattern(path, 0));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::execl(SETTINGS_SAVE_LOOP, SETTINGS_SAVE_LOOP, narrowPath.c_str(), "100000",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::usleep(static_cast<useconds_t>(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << "the save loop failed by itself";

    std::string bytes;
    ASSERT_TRUE(ReadBytes(path, bytes)) << "trial " << trials << ": settings file missing";
    long long n = -1;
    ASSERT_TRUE(IsPatternFile(bytes, n))
        << "trial " << trials << ": not one complete save (" << bytes.size() << " bytes)";
    newest = std::max(newest, n);
  }
  EXPECT_GT(trials, 20);
  // The child got far enough to be killed in the middle of saving.
  EXPECT_GT(newest, 1);
  std::printf("kill -9 trials: %d, furthest save reached: %lld\n", trials, newest);
}
