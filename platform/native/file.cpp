#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_conversion.h"

namespace platform {
namespace {

FileFaultHook FaultHook = nullptr;

bool Faulted(FileOp op) { return FaultHook != nullptr && FaultHook(op); }

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

} // namespace

void SetFileFaultHook(FileFaultHook hook) { FaultHook = hook; }

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  const int fd = ::open(WideToNarrow(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ok;
}

OutputFile::~OutputFile() {
  if (Fd >= 0) ::close(Fd);
}

bool OutputFile::IsOpen() const { return Fd >= 0; }

bool OutputFile::Create(const std::wstring& path) {
  if (Fd >= 0) return false;
  if (Faulted(FileOp::Create)) return false;
  Fd = ::open(WideToNarrow(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return Fd >= 0;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (Fd < 0) return false;
  if (Faulted(FileOp::Write)) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = ::write(Fd, p, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

bool OutputFile::SyncToDisk() {
  if (Fd < 0) return false;
  if (Faulted(FileOp::Sync)) return false;
  return ::fsync(Fd) == 0;
}

bool OutputFile::Close() {
  if (Fd < 0) return false;
  const int fd = Fd;
  Fd = -1;
  const bool faulted = Faulted(FileOp::Close);
  const bool closed = ::close(fd) == 0;
  return closed && !faulted;
}

bool ReplaceFile(const std::wstring& from, const std::wstring& to) {
  if (Faulted(FileOp::Replace)) return false;
  const std::string target = WideToNarrow(to);
  if (::rename(WideToNarrow(from).c_str(), target.c_str()) != 0) return false;
  // Make the rename itself survive a crash.
  const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool RemoveFile(const std::wstring& path) { return ::unlink(WideToNarrow(path).c_str()) == 0; }

bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
  if (Faulted(FileOp::Move)) return false;
  const std::string source = WideToNarrow(from);
  const std::string target = WideToNarrow(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link fails just as well on an existing target.
  if (::link(source.c_str(), target.c_str()) != 0) return false;
  ::unlink(source.c_str());
  return true;
}

bool PathExists(const std::wstring& path) {
  struct stat info {};
  return ::lstat(WideToNarrow(path).c_str(), &info) == 0;
}

} // namespace platform
