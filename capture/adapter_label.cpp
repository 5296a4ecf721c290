#include "capture/adapter_label.h"

namespace {

bool SameGuid(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::wstring DottedText(const Ipv4Bytes& address) {
  std::wstring text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0) text += L'.';
    text += std::to_wstring(address[i]);
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of `count` hex digits at `text[at]`; false unless all are digits.
bool HexAt(std::string_view text, std::size_t at, std::size_t count, std::uint32_t& value) {
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int digit = HexDigit(text[at + i]);
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

} // namespace

std::optional<GuidFields> ParseGuid(std::string_view text) {
  // {01234567-9abc-efgh-jklm-opqrstuvwxyz}: braces and dashes at fixed places.
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    return std::nullopt;
  GuidFields guid;
  std::uint32_t value = 0;
  if (!HexAt(text, 1, 8, guid.Data1)) return std::nullopt;
  if (!HexAt(text, 10, 4, value)) return std::nullopt;
  guid.Data2 = static_cast<std::uint16_t>(value);
  if (!HexAt(text, 15, 4, value)) return std::nullopt;
  guid.Data3 = static_cast<std::uint16_t>(value);
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t at = i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2);
    if (!HexAt(text, at, 2, value)) return std::nullopt;
    guid.Data4[i] = static_cast<std::uint8_t>(value);
  }
  return guid;
}

std::string_view DeviceGuid(std::string_view deviceName) {
  const std::size_t open = deviceName.find('{');
  if (open == std::string_view::npos) return {};
  const std::size_t close = deviceName.find('}', open);
  if (close == std::string_view::npos) return {};
  return deviceName.substr(open, close - open + 1);
}

const SystemAdapter* FindSystemAdapter(const std::vector<SystemAdapter>& adapters,
                                       std::string_view deviceName) {
  const std::string_view guid = DeviceGuid(deviceName);
  if (guid.empty()) return nullptr;
  for (const SystemAdapter& adapter : adapters)
    if (SameGuid(adapter.Guid, guid)) return &adapter;
  return nullptr;
}

std::wstring AdapterListText(const std::wstring& description, const std::wstring& friendlyName,
                             const std::optional<Ipv4Bytes>& ipv4) {
  std::wstring text = description + L" - ";
  if (!friendlyName.empty() && friendlyName != description) text += friendlyName + L", ";
  text += ipv4 ? DottedText(*ipv4) : std::wstring(L"keine IPv4-Adresse");
  return text;
}
