#include "capture/name_resolver.h"

#include <atomic>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::atomic<NameResolver> Override{nullptr};

} // namespace

void SetNameResolver(NameResolver resolver) { Override = resolver; }

bool ResolveHostName(const std::uint8_t address[4], std::string& host) {
  if (NameResolver resolver = Override.load()) return resolver(address, host);
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
