#pragma once
// The usage history and its file "verbrauch.csv" beside the settings file. The
// file is replaced the way the settings file is, so a crash at any moment
// leaves the old or the new file whole; one that cannot be parsed is moved
// aside, never overwritten.
#include <string>

#include "capture/usage_history.h"

// "verbrauch.csv" in the folder of `settingsPath`; empty when that is empty.
std::wstring UsageFilePath(const std::wstring& settingsPath);

class UsageStore {
public:
  // What the user is to be told about the file, once.
  enum class Notice {
    None,
    MovedAside,      // it was damaged and now lies at AsidePath(); a new history started
    Unreadable,      // it exists but cannot be read: nothing is saved until it can
    DamagedNotMoved, // damaged, and it could not be moved aside: nothing is saved
  };

  // Empty keeps the history in memory only.
  void SetPath(const std::wstring& path) { FilePath = path; }
  const std::wstring& Path() const { return FilePath; }

  // Adds the file's rows to the history in memory. A missing file starts an
  // empty one. A damaged file is moved to "<file>.defekt" (or ".defekt2" and
  // on, never replacing an earlier one). While the file can be neither read
  // nor moved aside the next Save tries again first and writes nothing.
  void Load();
  // Writes the whole history; false when nothing was written.
  bool Save();

  UsageHistory& History() { return Days; }
  const UsageHistory& History() const { return Days; }

  // The newest notice not yet taken; each kind is given out once per run.
  Notice TakeNotice();
  const std::wstring& AsidePath() const { return Aside; }

private:
  void Tell(Notice notice);

  std::wstring FilePath;
  UsageHistory Days;
  // The file's rows are in Days (or there was no file): saving may replace it.
  bool FileTaken = false;
  Notice Pending = Notice::None;
  bool Told[4] = {};
  std::wstring Aside;
};
