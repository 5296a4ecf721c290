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

} // namespace

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
