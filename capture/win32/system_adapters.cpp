#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <cstring>
#include <memory>

#include "capture/adapter_label.h"
#include "platform/win32/diagnostics.h"

std::vector<SystemAdapter> ListSystemAdapters() {
  constexpr ULONG Flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // The list may grow between the call that sizes it and the one that fills it.
  ULONG size = 16 * 1024;
  std::unique_ptr<unsigned char[]> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer = std::make_unique<unsigned char[]>(size);
    result = GetAdaptersAddresses(AF_UNSPEC, Flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
  }
  std::vector<SystemAdapter> adapters;
  if (result != NO_ERROR) {
    // ERROR_NO_DATA: no adapter with IPv4 at all, nothing to add.
    if (result != ERROR_NO_DATA) LogFailure(L"GetAdaptersAddresses", result);
    return adapters;
  }
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.get()); a != nullptr; a = a->Next) {
    if (a->AdapterName == nullptr) continue;
    SystemAdapter adapter;
    adapter.Guid = a->AdapterName;
    if (a->FriendlyName != nullptr) adapter.FriendlyName = a->FriendlyName;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      const SOCKET_ADDRESS& address = u->Address;
      if (address.lpSockaddr == nullptr) continue;
      // Each record is read by the layout its family gives it, and only when
      // it is as long as that layout.
      if (address.lpSockaddr->sa_family == AF_INET && !adapter.Ipv4 &&
          address.iSockaddrLength >= static_cast<INT>(sizeof(sockaddr_in))) {
        Ipv4Bytes bytes;
        std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(address.lpSockaddr)->sin_addr, 4);
        adapter.Ipv4 = bytes;
      } else if (address.lpSockaddr->sa_family == AF_INET6 &&
                 address.iSockaddrLength >= static_cast<INT>(sizeof(sockaddr_in6))) {
        Ipv6Bytes bytes;
        std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in6*>(address.lpSockaddr)->sin6_addr, 16);
        adapter.Ipv6.push_back(bytes);
      }
    }
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}
