#include "capture/usage_file.h"

#include "capture/usage_csv.h"
#include "platform/durable_write.h"
#include "platform/file.h"

namespace {

// Enough for years of damaged files; more would only hide a loop.
constexpr int AsideNames = 100;

} // namespace

std::wstring UsageFilePath(const std::wstring& settingsPath) {
  if (settingsPath.empty()) return {};
  const std::size_t separator = settingsPath.find_last_of(L"\\/");
  const std::wstring folder = separator == std::wstring::npos ? L"" : settingsPath.substr(0, separator + 1);
  return folder + L"verbrauch.csv";
}

void UsageStore::Tell(Notice notice) {
  bool& told = Told[static_cast<int>(notice)];
  if (told) return;
  told = true;
  Pending = notice;
}

UsageStore::Notice UsageStore::TakeNotice() {
  const Notice notice = Pending;
  Pending = Notice::None;
  return notice;
}

void UsageStore::Load() {
  if (FilePath.empty() || FileTaken) return;
  std::string bytes;
  if (!platform::ReadWholeFile(FilePath, bytes)) {
    if (platform::PathExists(FilePath))
      Tell(Notice::Unreadable);
    else
      FileTaken = true; // the first run: the history starts here
    return;
  }
  UsageHistory stored;
  if (ParseUsage(bytes, stored)) {
    Days.Merge(stored);
    FileTaken = true;
    return;
  }
  for (int n = 1; n <= AsideNames; ++n) {
    const std::wstring aside = FilePath + L".defekt" + (n == 1 ? L"" : std::to_wstring(n));
    if (platform::PathExists(aside)) continue;
    if (!platform::MoveFileNoReplace(FilePath, aside)) break;
    Aside = aside;
    FileTaken = true;
    Tell(Notice::MovedAside);
    return;
  }
  Tell(Notice::DamagedNotMoved);
}

bool UsageStore::Save() {
  if (FilePath.empty()) return false;
  Load();
  if (!FileTaken) return false;
  return platform::WriteFileDurably(FilePath, SerializeUsage(Days));
}
