#pragma once
// The text of the About box.
#include <string>

// The fixed lines, then the installed capture library's version on a line of
// its own, unchanged; an empty version (library not found) is shown as such
// rather than as a blank line. After an empty line, the program's own version
// closes the text, without a line end after it.
std::wstring BuildAboutText(const std::wstring& installedVersion);
