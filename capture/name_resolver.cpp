#include "capture/name_resolver.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
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

bool ResolveHostName(const std::uint8_t address[4], std::string& host) {
#ifdef _WIN32
  static WinsockSession session;
#else
  if (NameResolver resolver = Override.load()) return resolver(address, host);
#endif
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  std::memcpy(&socketAddress.sin_addr, address, 4);
  char buffer[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, buffer,
                  sizeof buffer, nullptr, 0, 0) != 0)
    return false;
  host = buffer;
  return true;
}
