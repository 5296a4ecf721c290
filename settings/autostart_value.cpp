#include "settings/autostart_value.h"

#include <algorithm>
#include <string_view>

namespace {

// Windows compares paths without regard to case; folding ASCII and Latin-1
// letters covers what our own writers and GetModuleFileNameW produce.
wchar_t Fold(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 32);
  return c;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return Fold(x) == Fold(y); });
}

std::wstring_view Trimmed(std::wstring_view s) {
  const auto first = s.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  const auto last = s.find_last_not_of(L" \t");
  return s.substr(first, last - first + 1);
}

} // namespace

std::wstring AutostartCommand(const std::wstring& programPath) { return L"\"" + programPath + L"\""; }

bool AutostartStartsProgram(const std::wstring& value, const std::wstring& programPath) {
  if (programPath.empty()) return false;
  const std::wstring_view command = Trimmed(value);
  if (!command.empty() && command.front() == L'"') {
    const auto close = command.find(L'"', 1);
    if (close == std::wstring_view::npos) return false;
    const std::wstring_view rest = command.substr(close + 1);
    return SamePath(command.substr(1, close - 1), programPath) && (rest.empty() || rest.front() == L' ');
  }
  return SamePath(command, programPath);
}

bool AutostartNeedsQuotes(const std::wstring& value, const std::wstring& programPath) {
  const std::wstring_view command = Trimmed(value);
  return programPath.find(L' ') != std::wstring::npos && !command.empty() && command.front() != L'"' &&
         AutostartStartsProgram(value, programPath);
}
