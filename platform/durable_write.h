#pragma once
// Replacing a file so that a crash, a full disk or a failed step at any moment
// leaves either the complete old file or the complete new one.
#include <string>

namespace platform {

// Writes `content` to "<path>.new" one line at a time, each write checked,
// flushes it to disk, closes it and only then moves it over `path`. On any
// failure before the move the partial new file is removed and `path` is not
// touched. True only when the new content has taken the old one's place.
bool WriteFileDurably(const std::wstring& path, const std::string& content);

} // namespace platform
