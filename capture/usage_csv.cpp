#include "capture/usage_csv.h"

#include <array>
#include <cstdio>
#include <limits>
#include <string_view>

const char* const UsageCsvHeader = "Datum;Ein;Aus;Unbekannt;Gesamt";

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool ParseCount(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

bool ParseDigits(std::string_view text, int& value) {
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return !text.empty();
}

// "YYYY-MM-DD", a real day.
bool ParseDate(std::string_view text, DayNumber& day) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  CalendarDate date;
  if (!ParseDigits(text.substr(0, 4), date.Year) || !ParseDigits(text.substr(5, 2), date.Month) ||
      !ParseDigits(text.substr(8, 2), date.Day) || !IsValidDate(date))
    return false;
  day = ToDayNumber(date);
  return true;
}

bool ParseRow(std::string_view line, UsageHistory& history) {
  std::array<std::string_view, 5> fields;
  std::size_t count = 0;
  for (std::size_t start = 0;;) {
    const std::size_t semicolon = line.find(';', start);
    if (count == fields.size()) return false;
    fields[count++] = line.substr(start, semicolon == std::string_view::npos ? line.npos : semicolon - start);
    if (semicolon == std::string_view::npos) break;
    start = semicolon + 1;
  }
  if (count != fields.size()) return false;
  DayNumber day = 0;
  UsageCounts counts;
  std::uint64_t total = 0;
  if (!ParseDate(fields[0], day) || !ParseCount(fields[1], counts.In) || !ParseCount(fields[2], counts.Out) ||
      !ParseCount(fields[3], counts.Other) || !ParseCount(fields[4], total))
    return false;
  // The three must add up to the total without passing 2^64 - 1.
  const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  if (counts.In > max - counts.Out || counts.In + counts.Out > max - counts.Other) return false;
  if (counts.Total() != total) return false;
  // A merged row must stay representable too.
  const UsageCounts before = history.Day(day);
  if (before.Total() > max - total) return false;
  history.Add(day, counts);
  return true;
}

} // namespace

std::string SerializeUsage(const UsageHistory& history) {
  std::string out = UsageCsvHeader;
  out += "\r\n";
  for (const auto& [day, counts] : history.Days()) {
    const CalendarDate date = ToCalendarDate(day);
    char line[128];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d;%llu;%llu;%llu;%llu\r\n", date.Year, date.Month,
                  date.Day, static_cast<unsigned long long>(counts.In),
                  static_cast<unsigned long long>(counts.Out), static_cast<unsigned long long>(counts.Other),
                  static_cast<unsigned long long>(counts.Total()));
    out += line;
  }
  return out;
}

bool ParseUsage(const std::string& bytes, UsageHistory& history) {
  history.clear();
  std::string_view rest = bytes;
  if (rest.substr(0, ByteOrderMark.size()) == ByteOrderMark) rest.remove_prefix(ByteOrderMark.size());
  bool headerSeen = false;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!headerSeen) {
      if (line != UsageCsvHeader) return false;
      headerSeen = true;
    } else if (!line.empty() && !ParseRow(line, history)) {
      return false;
    }
  }
  return headerSeen;
}
