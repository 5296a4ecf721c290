#pragma once
// What the adapter dialog shows for one adapter: the capture library's
// description, followed by the name Windows gives the adapter ("WLAN",
// "Ethernet 2") and its IPv4 address, so that a person recognises it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/ip_address.h"

using Ipv4Bytes = std::array<std::uint8_t, 4>;

// One adapter as the system lists it.
struct SystemAdapter {
  std::string Guid;              // "{...}", as the system's AdapterName gives it
  std::wstring FriendlyName;     // may be empty
  std::optional<Ipv4Bytes> Ipv4; // the first one listed
  std::vector<Ipv6Bytes> Ipv6;   // every unicast IPv6 address, in list order
};

// The "{...}" of a capture-library name such as "\Device\NPF_{...}"; empty
// when the name holds none (Npcap's "\Device\NPF_Loopback").
std::string_view DeviceGuid(std::string_view deviceName);

// A GUID's fields, as the system's GUID record holds them.
struct GuidFields {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0, Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};
};
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits in either case); none
// when the text is not exactly that.
std::optional<GuidFields> ParseGuid(std::string_view text);

// The system's record of the adapter the capture library calls
// `deviceName`, matched by GUID without regard to case; null when none.
const SystemAdapter* FindSystemAdapter(const std::vector<SystemAdapter>& adapters,
                                       std::string_view deviceName);

// "Realtek PCIe GbE Family Controller - Ethernet, 192.168.1.23". The friendly
// name is left out when it is empty or repeats the description. The
// description comes first, so a list sorted by text stays sorted by it.
std::wstring AdapterListText(const std::wstring& description, const std::wstring& friendlyName,
                             const std::optional<Ipv4Bytes>& ipv4);

// The adapters the system lists (GetAdaptersAddresses on Windows); empty when
// it cannot list them, and always in the native build.
std::vector<SystemAdapter> ListSystemAdapters();
