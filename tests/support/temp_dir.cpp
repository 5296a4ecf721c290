#include "tests/support/temp_dir.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_conversion.h"
#endif

namespace testsupport {
namespace {
std::atomic<int> Counter{0};
}

#ifdef _WIN32
TempDir::TempDir(const std::wstring& suffix) {
  wchar_t base[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, base);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = std::wstring(base) + L"bwtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(Counter++) + suffix;
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      DirPath = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((DirPath + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") DeleteFileW(File(name).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(DirPath.c_str());
}

std::wstring TempDir::File(const std::wstring& name) const { return DirPath + L"\\" + name; }

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
#else
TempDir::TempDir(const std::wstring& suffix) {
  const char* base = std::getenv("TMPDIR");
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = NarrowToWide(base != nullptr ? base : "/tmp") + L"/bwtest-" +
                             std::to_wstring(getpid()) + L"-" + std::to_wstring(Counter++) + suffix;
    if (mkdir(WideToNarrow(candidate).c_str(), 0700) == 0) {
      DirPath = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  const std::string dir = WideToNarrow(DirPath);
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") unlink((dir + "/" + name).c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

std::wstring TempDir::File(const std::wstring& name) const { return DirPath + L"/" + name; }

bool FileExists(const std::wstring& path) {
  struct stat st;
  return stat(WideToNarrow(path).c_str(), &st) == 0;
}
#endif

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  platform::OutputFile file;
  return file.Create(path) && file.Write(bytes.data(), bytes.size()) && file.Close();
}

bool ReadBytes(const std::wstring& path, std::string& bytes) { return platform::ReadWholeFile(path, bytes); }

} // namespace testsupport
