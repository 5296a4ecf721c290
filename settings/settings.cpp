#include "settings/settings.h"

#include <climits>
#include <cstddef>

#include "platform/durable_write.h"
#include "platform/file.h"

namespace {

// The 18 keys every reader of the file knows, then the ones added since, each
// written after them so that those readers (which ignore unknown keys) still
// find what they expect.
constexpr std::size_t FieldCount = 21;

// Keys in file order.
enum Key : int {
  KeyDeviceName,
  KeyBytesTransmitted,
  KeyAvgTime,
  KeyInterval,
  KeyCaptureFilter,
  KeyPromiscuousMode,
  KeyWindowPosX,
  KeyWindowPosY,
  KeyWindowWidth,
  KeyWindowHeight,
  KeyIsPopup,
  KeyIsMaximized,
  KeyIsVisible,
  KeyAlpha,
  KeyAlwaysOnTop,
  KeyUseGradients,
  KeyFadeOnHover,
  KeyShowInOut,
  // Added later, appended so that the lines before them stay as they were.
  KeyIPv6,
  KeyMonatslimit,
  KeyMonatsbeginn,
};

constexpr const char* KeyNames[FieldCount] = {
    "DeviceName",      "BytesTransmitted", "AvgTime",    "Interval",    "CaptureFilter",
    "PromiscuousMode", "WindowPosX",       "WindowPosY", "WindowWidth", "WindowHeight",
    "IsPopup",         "IsMaximized",      "IsVisible",  "Alpha",       "AlwaysOnTop",
    "UseGradients",    "FadeOnHover",      "ShowInOut",  "IPv6",        "Monatslimit",
    "Monatsbeginn",
};

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// strtol-like: leading white space, optional sign, decimal digits, the rest of
// the value ignored. No digit at all, or a number outside [min, max], gives
// false, and the caller then stores the field's default.
bool ParseNumber(const std::string& text, long long min, long long max, long long& result) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  // Accumulate as a negative number so that the minimum of the range fits.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value < (LLONG_MIN + digit) / 10) return false;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == LLONG_MIN) return false;
    value = -value;
  }
  if (value < min || value > max) return false;
  result = value;
  return true;
}

std::int32_t ToInt32(const std::string& text, std::int32_t fallback) {
  long long value = 0;
  return ParseNumber(text, INT32_MIN, INT32_MAX, value) ? static_cast<std::int32_t>(value) : fallback;
}

std::wstring Latin1ToWide(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes)
    out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

// One byte per character; what ISO 8859-1 cannot hold is written as '?'.
std::string WideToLatin1(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    const auto code = static_cast<unsigned long>(c);
    out += code <= 0xFF ? static_cast<char>(code) : '?';
  }
  return out;
}

void StoreValue(Settings& s, int key, const std::string& value) {
  static const Settings defaults = [] {
    Settings d;
    d.SetDefaults();
    return d;
  }();
  auto boolean = [&](bool fallback) { return ToInt32(value, fallback ? 1 : 0) != 0; };
  // Save writes an unsigned field as its unsigned value, so a field that held a
  // negative number comes back as 2147483648 or more; accept that range too, or
  // the value would change with every save and load.
  auto uint32 = [&](std::uint32_t fallback) {
    long long v = 0;
    return ParseNumber(value, INT32_MIN, UINT32_MAX, v) ? static_cast<std::uint32_t>(v) : fallback;
  };
  switch (key) {
  case KeyDeviceName: s.DeviceName = Latin1ToWide(value); break;
  case KeyBytesTransmitted: {
    long long v = 0;
    s.BytesTransmitted = ParseNumber(value, LLONG_MIN, LLONG_MAX, v) ? v : defaults.BytesTransmitted.load();
    break;
  }
  case KeyAvgTime: s.AvgTime = ToInt32(value, defaults.AvgTime); break;
  case KeyInterval: s.Interval = uint32(defaults.Interval); break;
  case KeyCaptureFilter: s.CaptureFilter = Latin1ToWide(value); break;
  case KeyPromiscuousMode: s.PromiscuousMode = boolean(defaults.PromiscuousMode); break;
  case KeyWindowPosX: s.WindowPosX = ToInt32(value, defaults.WindowPosX); break;
  case KeyWindowPosY: s.WindowPosY = ToInt32(value, defaults.WindowPosY); break;
  case KeyWindowWidth: s.WindowWidth = uint32(defaults.WindowWidth); break;
  case KeyWindowHeight: s.WindowHeight = uint32(defaults.WindowHeight); break;
  case KeyIsPopup: s.IsPopup = boolean(defaults.IsPopup); break;
  case KeyIsMaximized: s.IsMaximized = boolean(false); break;
  case KeyIsVisible: s.IsVisible = boolean(defaults.IsVisible); break;
  case KeyAlpha: s.Alpha = uint32(defaults.Alpha); break;
  case KeyAlwaysOnTop: s.AlwaysOnTop = boolean(defaults.AlwaysOnTop); break;
  case KeyUseGradients: s.UseGradients = boolean(defaults.UseGradients); break;
  case KeyFadeOnHover: s.FadeOnHover = boolean(defaults.FadeOnHover); break;
  case KeyShowInOut: s.ShowInOut = boolean(defaults.ShowInOut); break;
  case KeyIPv6: s.IPv6 = boolean(defaults.IPv6); break;
  case KeyMonatslimit: {
    long long v = 0;
    s.Monatslimit =
        ParseNumber(value, 0, LLONG_MAX, v) ? static_cast<std::uint64_t>(v) : defaults.Monatslimit;
    break;
  }
  case KeyMonatsbeginn: {
    long long v = 0;
    s.Monatsbeginn = ParseNumber(value, 1, 28, v) ? static_cast<std::int32_t>(v) : defaults.Monatsbeginn;
    break;
  }
  default: break;
  }
}

} // namespace

Settings::Settings(const Settings& other) : FilePath(other.FilePath), Applied(other.Applied) {
  *this = other;
}

Settings& Settings::operator=(const Settings& other) {
  if (this == &other) return *this;
  CaptureFilter = other.CaptureFilter;
  DeviceName = other.DeviceName;
  BytesTransmitted = other.BytesTransmitted.load();
  PromiscuousMode = other.PromiscuousMode;
  AvgTime = other.AvgTime.load();
  WindowPosX = other.WindowPosX;
  WindowPosY = other.WindowPosY;
  WindowWidth = other.WindowWidth;
  WindowHeight = other.WindowHeight;
  Alpha = other.Alpha;
  Interval = other.Interval.load();
  IsPopup = other.IsPopup;
  IsVisible = other.IsVisible;
  IsMaximized = other.IsMaximized;
  AlwaysOnTop = other.AlwaysOnTop;
  FadeOnHover = other.FadeOnHover;
  UseGradients = other.UseGradients;
  ShowInOut = other.ShowInOut;
  IPv6 = other.IPv6;
  Monatslimit = other.Monatslimit;
  Monatsbeginn = other.Monatsbeginn;
  return *this;
}

void Settings::SetDefaults() {
  CaptureFilter = L"not arp";
  DeviceName.clear();
  BytesTransmitted = 0;
  PromiscuousMode = false;
  AvgTime = 60;
  WindowPosX = 0;
  WindowPosY = 0;
  WindowWidth = 300;
  WindowHeight = 100;
  Alpha = 255;
  Interval = 1000;
  IsPopup = false;
  IsVisible = true;
  AlwaysOnTop = false;
  FadeOnHover = true;
  UseGradients = false;
  ShowInOut = true;
  IPv6 = false;
  Monatslimit = 0;
  Monatsbeginn = 1;
}

void ParseSettings(const std::string& bytes, Settings& settings) {
  const std::size_t n = bytes.size();
  std::size_t pos = 0;
  while (pos < n) {
    // The key runs to the next '=', across line ends.
    std::size_t eq = bytes.find('=', pos);
    if (eq == std::string::npos) eq = n;
    const std::string key = bytes.substr(pos, eq - pos);
    pos = eq < n ? eq + 1 : n;
    // The value runs to the next LF; the CR of a CR LF pair belongs to the line end.
    const std::size_t valueStart = pos;
    const std::size_t lf = bytes.find('\n', pos);
    std::size_t end = lf == std::string::npos ? n : lf;
    pos = lf == std::string::npos ? n : lf + 1;
    if (lf != std::string::npos && end > valueStart && bytes[end - 1] == '\r') --end;
    const std::string value = bytes.substr(valueStart, end - valueStart);
    for (std::size_t k = 0; k < FieldCount; ++k) {
      if (key == KeyNames[k]) {
        StoreValue(settings, static_cast<int>(k), value);
        break;
      }
    }
  }
}

std::string SerializeSettings(const Settings& s) {
  auto b = [](bool v) { return std::string(v ? "1" : "0"); };
  auto u = [](std::uint32_t v) { return std::to_string(v); };
  const std::string values[FieldCount] = {
      WideToLatin1(s.DeviceName),
      std::to_string(s.BytesTransmitted.load()),
      std::to_string(s.AvgTime.load()),
      u(s.Interval.load()),
      WideToLatin1(s.CaptureFilter),
      b(s.PromiscuousMode),
      std::to_string(s.WindowPosX),
      std::to_string(s.WindowPosY),
      u(s.WindowWidth),
      u(s.WindowHeight),
      b(s.IsPopup),
      b(s.IsMaximized),
      b(s.IsVisible),
      u(s.Alpha),
      b(s.AlwaysOnTop),
      b(s.UseGradients),
      b(s.FadeOnHover),
      b(s.ShowInOut),
      b(s.IPv6),
      std::to_string(s.Monatslimit),
      std::to_string(s.Monatsbeginn),
  };
  std::string out;
  for (std::size_t k = 0; k < FieldCount; ++k) {
    out += KeyNames[k];
    out += '=';
    out += values[k];
    out += "\r\n";
  }
  return out;
}

std::int32_t LimitToMiB(std::uint64_t bytes) {
  const std::uint64_t mib = bytes / BytesPerMiB;
  return mib > static_cast<std::uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(mib);
}

std::uint64_t LimitFromMiB(std::int32_t entered, std::uint64_t stored) {
  if (entered == LimitToMiB(stored)) return stored;
  return entered > 0 ? static_cast<std::uint64_t>(entered) * BytesPerMiB : 0;
}

bool Settings::Load() {
  SetDefaults();
  if (FilePath.empty()) return false;
  std::string bytes;
  if (!platform::ReadWholeFile(FilePath, bytes)) return false;
  ParseSettings(bytes, *this);
  return true;
}

bool Settings::Save() { return platform::WriteFileDurably(FilePath, SerializeSettings(*this)); }
