#pragma once
// What the autostart value under the Run key holds. Windows runs it as a
// command line, so a bare path with a space in it is ambiguous
// ("C:\Program Files\Bytwacht\bytwacht.exe" may start "C:\Program.exe").
// The program and its installer therefore write the full path in double
// quotes and nothing else:  "C:\...\bytwacht.exe"
#include <string>

std::wstring AutostartCommand(const std::wstring& programPath);

// Whether a Run value starts `programPath`: the quoted form (possibly followed
// by arguments) and the bare path that earlier versions wrote both count.
// Letter case does not matter, as in Windows paths.
bool AutostartStartsProgram(const std::wstring& value, const std::wstring& programPath);

// Whether `value` starts the program without the quotes that make it safe,
// that is, it is the bare path of a program in a folder with a space.
bool AutostartNeedsQuotes(const std::wstring& value, const std::wstring& programPath);
