#include "platform/file.h"

#include <windows.h>

namespace platform {

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[4096];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

OutputFile::~OutputFile() {
  if (Handle != nullptr) CloseHandle(Handle);
}

bool OutputFile::IsOpen() const { return Handle != nullptr; }

bool OutputFile::Create(const std::wstring& path) {
  if (Handle != nullptr) return false;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  Handle = file;
  return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (Handle == nullptr) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD put = 0;
    if (!WriteFile(Handle, p, chunk, &put, nullptr) || put == 0) return false;
    p += put;
    size -= put;
  }
  return true;
}

bool OutputFile::SyncToDisk() {
  if (Handle == nullptr) return false;
  return FlushFileBuffers(Handle) != 0;
}

bool OutputFile::Close() {
  if (Handle == nullptr) return false;
  HANDLE file = Handle;
  Handle = nullptr;
  return CloseHandle(file) != 0;
}

bool ReplaceFile(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

} // namespace platform
