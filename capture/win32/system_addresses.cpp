#include "capture/adapter_addresses.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <cstring>
#include <memory>

namespace {

// The adapter's GUID in the capture library's name ("\Device\NPF_{...}"),
// which the system's adapter list gives as AdapterName ("{...}").
std::string AdapterGuid(const std::string& device) {
  const std::size_t brace = device.find('{');
  return brace == std::string::npos ? std::string() : device.substr(brace);
}

} // namespace

void AddSystemIpv6Addresses(const std::string& device, std::vector<Ipv6Bytes>& addresses) {
  const std::string guid = AdapterGuid(device);
  if (guid.empty()) return;
  constexpr ULONG Flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // The list may grow between the call that sizes it and the one that fills it.
  ULONG size = 16 * 1024;
  std::unique_ptr<unsigned char[]> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer = std::make_unique<unsigned char[]>(size);
    result = GetAdaptersAddresses(AF_INET6, Flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
  }
  if (result != NO_ERROR) return;
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.get()); adapter != nullptr;
       adapter = adapter->Next) {
    if (adapter->AdapterName == nullptr || _stricmp(adapter->AdapterName, guid.c_str()) != 0) continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const SOCKET_ADDRESS& address = unicast->Address;
      if (address.lpSockaddr == nullptr || address.lpSockaddr->sa_family != AF_INET6 ||
          address.iSockaddrLength < static_cast<INT>(sizeof(sockaddr_in6)))
        continue;
      Ipv6Bytes bytes;
      std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in6*>(address.lpSockaddr)->sin6_addr, 16);
      AddIpv6Address(addresses, bytes);
    }
  }
}
