#include "view/format.h"

#include <cmath>

namespace {

std::wstring Digits(unsigned long long value) {
  wchar_t buffer[24];
  wchar_t* p = buffer + 24;
  do {
    *--p = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(p, buffer + 24);
}

std::wstring Signed(long long value) {
  if (value < 0) return L"-" + Digits(0ull - static_cast<unsigned long long>(value));
  return Digits(static_cast<unsigned long long>(value));
}

// At least two digits, padded with '0'; wider numbers are written whole.
std::wstring TwoDigits(std::int32_t value) {
  std::wstring text = Signed(value);
  if (text.size() < 2) text.insert(0, 2 - text.size(), L'0');
  return text;
}

} // namespace

std::wstring FormatBytes(std::int64_t count) {
  static const wchar_t* const Prefixes[] = {L"", L"Ki", L"Mi", L"Gi", L"Ti", L"Pi", L"Ei", L"Zi", L"Yi"};
  double v = static_cast<double>(count);
  int unit = 0;
  while (v >= 1024.0) {
    v *= 1.0 / 1024.0;
    ++unit;
  }
  if (unit == 0) return Signed(count) + L" B";
  // v < 1024 with a 53-bit mantissa: times ten it fits the 64-bit mantissa of
  // long double exactly, so a value halfway between two tenths is recognised
  // and rounded up (printf would round it to even).
  const long double tenths = std::floor(static_cast<long double>(v) * 10.0L + 0.5L);
  const auto whole = static_cast<unsigned long long>(tenths);
  return Digits(whole / 10) + L"." + Digits(whole % 10) + L" " + Prefixes[unit] + L"B";
}

std::wstring FormatDuration(std::int32_t seconds) {
  if (seconds < 60) return TwoDigits(seconds) + L" Sek.";
  if (seconds < 3600) return TwoDigits(seconds / 60) + L":" + TwoDigits(seconds % 60) + L" Min.";
  return TwoDigits(seconds / 3600) + L":" + TwoDigits((seconds / 60) % 60) + L":" + TwoDigits(seconds % 60) +
         L" Std.";
}

std::wstring FormatUnsigned(std::uint32_t value) { return Digits(value); }

std::wstring FormatInteger(std::int32_t value) { return Signed(value); }
