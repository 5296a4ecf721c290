#pragma once
// The texts of numbers: classic "C" conventions whatever the user's locale is.
#include <cstdint>
#include <string>

// "1.3 KiB": binary prefixes, one decimal from KiB on, halves rounded up.
std::wstring FormatBytes(std::int64_t count);
// "05 Sek.", "01:15 Min.", "01:00:00 Std.".
std::wstring FormatDuration(std::int32_t seconds);
std::wstring FormatUnsigned(std::uint32_t value);
std::wstring FormatInteger(std::int32_t value);
