#pragma once
// Where the program keeps its files: bytwacht.ini and what lies beside it.
#include <string>

struct SettingsLocation {
  std::wstring Folder; // empty when no folder is known: the program runs on defaults
  std::wstring File;   // Folder + "\bytwacht.ini"
  bool Portable = false;
};

// A bytwacht.ini beside the program makes it portable: that folder is used
// instead of the folder "Bytwacht" in the per-user application data.
// `programPath` is the running exe's full path (empty if unknown), `appData`
// the application-data folder (empty if the system gave none), `fileExists`
// asks the file system.
SettingsLocation ChooseSettingsLocation(const std::wstring& programPath, const std::wstring& appData,
                                        bool (*fileExists)(const std::wstring& path));
