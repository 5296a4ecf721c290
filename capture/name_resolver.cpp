#include "capture/name_resolver.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
static_assert(sizeof(sockaddr_in6) == 28);
#else
#include <atomic>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace {

#ifdef _WIN32
// Winsock stays started for the rest of the process once a name was asked for.
class WinsockSession {
public:
  WinsockSession() { Started = WSAStartup(MAKEWORD(2, 2), &Data) == 0; }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (Started) WSACleanup();
  }

private:
  WSADATA Data{};
  bool Started = false;
};
#else
std::atomic<NameResolver> Override{nullptr};
#endif

} // namespace

#ifndef _WIN32
void SetNameResolver(NameResolver resolver) { Override = resolver; }
#endif

bool ResolveHostName(IpVersion version, const std::uint8_t* address, std::string& host) {
#ifdef _WIN32
  static WinsockSession session;
#else
  if (NameResolver resolver = Override.load()) return resolver(version, address, host);
#endif
  // sockaddr_in (16 bytes) or sockaddr_in6 (28 bytes), each with its own
  // length, the rest of it zero.
  sockaddr_in ipv4{};
  sockaddr_in6 ipv6{};
  const sockaddr* socketAddress;
  socklen_t length;
  if (version == IpVersion::V6) {
    ipv6.sin6_family = AF_INET6;
    std::memcpy(&ipv6.sin6_addr, address, 16);
    socketAddress = reinterpret_cast<const sockaddr*>(&ipv6);
    length = sizeof ipv6;
  } else {
    ipv4.sin_family = AF_INET;
    std::memcpy(&ipv4.sin_addr, address, 4);
    socketAddress = reinterpret_cast<const sockaddr*>(&ipv4);
    length = sizeof ipv4;
  }
  char buffer[NI_MAXHOST];
  if (getnameinfo(socketAddress, length, buffer, sizeof buffer, nullptr, 0, 0) != 0) return false;
  host = buffer;
  return true;
}
