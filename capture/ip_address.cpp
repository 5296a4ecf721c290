#include "capture/ip_address.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <sys/socket.h>
#endif

AddressKey KeyOf(IpVersion version, const std::uint8_t* address) {
  AddressKey key{};
  std::memcpy(key.data(), address, AddressLength(version));
  key[16] = static_cast<std::uint8_t>(version);
  return key;
}

std::string AddressText(IpVersion version, const std::uint8_t* address) {
  if (version == IpVersion::V4) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
      if (i > 0) text += '.';
      text += std::to_string(address[i]);
    }
    return text;
  }
  char text[64] = {}; // INET6_ADDRSTRLEN is 46; the call cannot fail with room enough
  if (inet_ntop(AF_INET6, address, text, sizeof text) == nullptr) return {};
  return text;
}
