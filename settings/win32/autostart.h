#pragma once
// The per-user automatic start: a value under the Run key that holds the
// program's full path in double quotes (settings/autostart_value.h).
#include <windows.h>

#include <string>

enum class AutostartResult { KeyNotOpened, Written, NotWritten, Deleted, NotDeleted };

constexpr const wchar_t* AutostartKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* AutostartValueName = L"Bytwacht";

// The running program's full path, however long; empty when it cannot be read.
std::wstring ModulePath();

// `keyPath` under HKEY_CURRENT_USER; tests pass a scratch key. An empty or
// failed path is reported as not written rather than stored half.
AutostartResult RegisterAutostart(const wchar_t* keyPath, const std::wstring& programPath);
AutostartResult RemoveAutostart(const wchar_t* keyPath);

// An entry that an earlier version wrote as the bare path of this program in a
// folder with a space is rewritten in quotes; any other entry is left as it
// is. True when the value was rewritten.
bool QuoteBareAutostart(const wchar_t* keyPath, const std::wstring& programPath);

// The message box that tells the user the result.
struct AutostartBox {
  const wchar_t* Text;
  const wchar_t* Title;
  UINT Icon;
};
AutostartBox DescribeAutostart(AutostartResult result);
