#pragma once
// Files by wide path, with explicit results for every step, so that callers can
// refuse to replace good data with a file that was cut short.
#include <cstddef>
#include <string>

#ifdef _WIN32
// Its windows.h also turns ReplaceFile into ReplaceFileW, as every user of this
// header must see it for the name to match the definition.
#include "platform/win32/owned_handles.h"
#endif

namespace platform {

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);

// A file created (or emptied) for writing. The destructor closes a file that is
// still open, ignoring errors; call Close to learn whether everything landed.
class OutputFile {
public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  bool Create(const std::wstring& path);
  bool Write(const void* data, std::size_t size);
  bool SyncToDisk();
  bool Close();
  bool IsOpen() const;

private:
#ifdef _WIN32
  OwnedFile Handle;
#else
  int Fd = -1;
#endif
};

// Moves `from` over `to` in one step, replacing `to`, and makes the rename durable.
bool ReplaceFile(const std::wstring& from, const std::wstring& to);
bool RemoveFile(const std::wstring& path);
// Renames `from` to `to` only when nothing is there yet; never replaces a file.
bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to);
// True when something exists at `path`, readable or not.
bool PathExists(const std::wstring& path);

#ifndef _WIN32
// Fault injection for tests of the native build: when set, the hook is asked
// before each operation and a true answer makes that operation fail.
enum class FileOp { Create, Write, Sync, Close, Replace, Move };
using FileFaultHook = bool (*)(FileOp op);
void SetFileFaultHook(FileFaultHook hook);
#endif

} // namespace platform
