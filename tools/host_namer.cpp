#include "tools/host_namer.h"

#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::string DottedAddress(const std::uint8_t address[4]) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(address[i]);
  }
  return text;
}

std::string HostNamer::Name(const std::uint8_t address[4]) {
  if (!Resolve) return DottedAddress(address);
  std::uint32_t key = 0;
  std::memcpy(&key, address, 4);
  auto found = Cache.find(key);
  if (found != Cache.end()) return found->second;

  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  std::memcpy(&socketAddress.sin_addr, address, 4);
  char host[NI_MAXHOST] = {};
  std::string name;
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, host, sizeof host,
                  nullptr, 0, 0) == 0)
    name = host;
  else
    name = DottedAddress(address) + " [F]";
  Cache.emplace(key, name);
  return name;
}
