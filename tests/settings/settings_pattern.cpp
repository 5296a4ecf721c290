#include "tests/settings/settings_pattern.h"

namespace reltest {

void FillPatternRecord(Settings& s, long long n) {
  s.SetDefaults();
  // Lengths from a few bytes to several kilobytes, so that successive files
  // cover one, two or three pages of a file system.
  s.DeviceName =
      L"dev-" + std::to_wstring(n) + L"-" + std::wstring(static_cast<std::size_t>(n % 7) * 1300, L'x');
  s.CaptureFilter = L"port " + std::to_wstring(n % 65536);
  s.BytesTransmitted = n;
  s.AvgTime = static_cast<std::int32_t>(n % 3601);
  s.Interval = static_cast<std::uint32_t>(100 + n % 59901);
  s.WindowPosX = static_cast<std::int32_t>(-(n % 2000));
  s.WindowWidth = static_cast<std::uint32_t>(300 + n % 500);
  s.IsPopup = n % 2 == 1;
  s.ShowInOut = n % 3 != 0;
}

std::string PatternFile(long long n) {
  Settings s;
  FillPatternRecord(s, n);
  return SerializeSettings(s);
}

bool IsPatternFile(const std::string& bytes, long long& n) {
  Settings parsed;
  parsed.SetDefaults();
  ParseSettings(bytes, parsed);
  n = parsed.BytesTransmitted;
  return n >= 0 && bytes == PatternFile(n);
}

} // namespace reltest
