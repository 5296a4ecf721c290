#pragma once
#include <string>

namespace testsupport {

// A fresh folder below the system's temporary folder, removed with its files
// (one level deep) when the object goes.
class TempDir {
public:
  explicit TempDir(const std::wstring& suffix = L"");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::wstring& Path() const { return DirPath; }
  // Path() + separator + name.
  std::wstring File(const std::wstring& name) const;

private:
  std::wstring DirPath;
};

// Raw file access for assertions.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string& bytes);
bool FileExists(const std::wstring& path);

} // namespace testsupport
