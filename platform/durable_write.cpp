#include "platform/durable_write.h"

#include "platform/file.h"

namespace platform {

bool WriteFileDurably(const std::wstring& path, const std::string& content) {
  if (path.empty()) return false;
  const std::wstring newPath = path + L".new";
  OutputFile file;
  if (!file.Create(newPath)) return false;
  bool ok = true;
  for (std::size_t start = 0; ok && start < content.size();) {
    const std::size_t lf = content.find('\n', start);
    const std::size_t end = lf == std::string::npos ? content.size() : lf + 1;
    ok = file.Write(content.data() + start, end - start);
    start = end;
  }
  ok = ok && file.SyncToDisk();
  ok = file.Close() && ok;
  if (!ok) {
    RemoveFile(newPath);
    return false;
  }
  return ReplaceFile(newPath, path);
}

} // namespace platform
