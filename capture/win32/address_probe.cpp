#include "capture/address_probe.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <vector>

#include "capture/adapter_label.h"

namespace {

// The interface LUID of the adapter with this GUID; 0 when there is none.
std::uint64_t LuidOf(const GuidFields& fields) {
  GUID guid{fields.Data1, fields.Data2, fields.Data3, {}};
  std::copy(fields.Data4.begin(), fields.Data4.end(), guid.Data4);
  NET_LUID luid{};
  return ConvertInterfaceGuidToLuid(&guid, &luid) == NO_ERROR ? luid.Value : 0;
}

std::string AddressBytes(const SOCKADDR_INET& address) {
  if (address.si_family == AF_INET)
    return std::string(reinterpret_cast<const char*>(&address.Ipv4.sin_addr), 4);
  if (address.si_family == AF_INET6)
    return std::string(reinterpret_cast<const char*>(&address.Ipv6.sin6_addr), 16);
  return {};
}

} // namespace

std::optional<std::string> AddressProbe::Look(const PcapFunctions&, bool withIpv6) {
  const std::optional<GuidFields> guid = ParseGuid(DeviceGuid(Device));
  if (!guid) return std::nullopt; // Npcap's loopback adapter: no GUID, no addresses that change
  // One table of every unicast address is far cheaper than the adapter list
  // of GetAdaptersAddresses or of the capture library; IPv4 alone is cheaper
  // still.
  PMIB_UNICASTIPADDRESS_TABLE table = nullptr;
  if (GetUnicastIpAddressTable(withIpv6 ? AF_UNSPEC : AF_INET, &table) != NO_ERROR) return std::nullopt;
  const auto addressesOf = [table](std::uint64_t luid) {
    std::vector<std::string> found;
    for (ULONG i = 0; luid != 0 && i < table->NumEntries; ++i)
      if (table->Table[i].InterfaceLuid.Value == luid) found.push_back(AddressBytes(table->Table[i].Address));
    return found;
  };
  if (Luid == 0) Luid = LuidOf(*guid);
  std::vector<std::string> found = addressesOf(Luid);
  // An adapter taken out and put back may come with another LUID.
  if (found.empty()) found = addressesOf(Luid = LuidOf(*guid));
  FreeMibTable(table);
  return JoinAddresses(std::move(found));
}
