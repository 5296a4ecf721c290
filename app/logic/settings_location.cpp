#include "app/logic/settings_location.h"

namespace {

constexpr const wchar_t* FileName = L"\\bytwacht.ini";

SettingsLocation In(std::wstring folder, bool portable) {
  SettingsLocation location;
  location.File = folder + FileName;
  location.Folder = std::move(folder);
  location.Portable = portable;
  return location;
}

} // namespace

SettingsLocation ChooseSettingsLocation(const std::wstring& programPath, const std::wstring& appData,
                                        bool (*fileExists)(const std::wstring& path)) {
  const std::size_t slash = programPath.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    std::wstring programFolder = programPath.substr(0, slash);
    if (fileExists(programFolder + FileName)) return In(std::move(programFolder), true);
  }
  // Without the application-data folder there is no place: rather than
  // keeping the file in the drive's root, the program runs on defaults.
  if (appData.empty()) return {};
  return In(appData + L"\\Bytwacht", false);
}
