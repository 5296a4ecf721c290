#include "platform/file.h"

#include <windows.h>

namespace platform {

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  OwnedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bytes.clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return ok;
}

// The owner closes a file that is still open, ignoring errors.
OutputFile::~OutputFile() = default;

bool OutputFile::IsOpen() const { return static_cast<bool>(Handle); }

bool OutputFile::Create(const std::wstring& path) {
  if (Handle) return false;
  Handle.Reset(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(Handle);
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!Handle) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD put = 0;
    if (!WriteFile(Handle.Get(), p, chunk, &put, nullptr) || put == 0) return false;
    p += put;
    size -= put;
  }
  return true;
}

bool OutputFile::SyncToDisk() {
  if (!Handle) return false;
  return FlushFileBuffers(Handle.Get()) != 0;
}

bool OutputFile::Close() {
  if (!Handle) return false;
  // Closed here rather than by the owner, whose release ignores the result.
  return CloseHandle(Handle.Detach()) != 0;
}

bool ReplaceFile(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace platform
