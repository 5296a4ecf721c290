#pragma once
// The text of the About box.
#include <string>

// The fixed lines, then the installed capture library's version as the last
// line, unchanged and without a line end after it. An empty version (library
// not found) is shown as such rather than as a blank line.
std::wstring BuildAboutText(const std::wstring& installedVersion);
