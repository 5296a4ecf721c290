// Arbitrary settings-file contents: loading must never fail or read out of
// bounds, and what a load gives must survive save -> load unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/settings.h"

namespace {

const char* const Keys[] = {
    "DeviceName",      "BytesTransmitted", "AvgTime",    "Interval",    "CaptureFilter",
    "PromiscuousMode", "WindowPosX",       "WindowPosY", "WindowWidth", "WindowHeight",
    "IsPopup",         "IsMaximized",      "IsVisible",  "Alpha",       "AlwaysOnTop",
    "UseGradients",    "FadeOnHover",      "ShowInOut",  "IPv6",        "Monatslimit",
    "Monatsbeginn",
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "settings_fuzzer: %s\n", what);
  std::abort();
}

Settings LoadedFrom(const std::string& bytes) {
  Settings s;
  s.SetDefaults();
  ParseSettings(bytes, s);
  return s;
}

// A saved file is exactly the keys in order, each line ending in CR LF.
void CheckShape(const std::string& file) {
  std::size_t pos = 0;
  for (const char* key : Keys) {
    const std::string prefix = std::string(key) + "=";
    if (file.compare(pos, prefix.size(), prefix) != 0) Fail("key missing or out of order");
    const std::size_t lf = file.find('\n', pos);
    if (lf == std::string::npos || lf == 0 || file[lf - 1] != '\r') Fail("line without CR LF");
    pos = lf + 1;
  }
  if (pos != file.size()) Fail("bytes after the last line");
}

bool SameStoredFields(const Settings& a, const Settings& b) {
  return a.DeviceName == b.DeviceName && a.CaptureFilter == b.CaptureFilter &&
         a.BytesTransmitted.load() == b.BytesTransmitted.load() && a.AvgTime.load() == b.AvgTime.load() &&
         a.Interval.load() == b.Interval.load() && a.PromiscuousMode == b.PromiscuousMode &&
         a.WindowPosX == b.WindowPosX && a.WindowPosY == b.WindowPosY && a.WindowWidth == b.WindowWidth &&
         a.WindowHeight == b.WindowHeight && a.IsPopup == b.IsPopup && a.IsMaximized == b.IsMaximized &&
         a.IsVisible == b.IsVisible && a.Alpha == b.Alpha && a.AlwaysOnTop == b.AlwaysOnTop &&
         a.UseGradients == b.UseGradients && a.FadeOnHover == b.FadeOnHover && a.ShowInOut == b.ShowInOut &&
         a.IPv6 == b.IPv6 && a.Monatslimit == b.Monatslimit && a.Monatsbeginn == b.Monatsbeginn;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const Settings first = LoadedFrom(input);
  const std::string saved = SerializeSettings(first);
  CheckShape(saved);
  const Settings second = LoadedFrom(saved);
  if (!SameStoredFields(first, second)) Fail("save -> load changed the record");
  if (SerializeSettings(second) != saved) Fail("second save differs from the first");
  return 0;
}
