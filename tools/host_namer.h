#pragma once
// Host names for the replay's CSV: the address text (dotted for IPv4, RFC 5952
// for IPv6), or with resolving on the name the system's resolver gives (each
// address resolved once per run, failures shown as the address followed by
// " [F]", as the program shows them).
#include <cstdint>
#include <map>
#include <string>

#include "capture/ip_address.h"

class HostNamer {
public:
  explicit HostNamer(bool resolve) : Resolve(resolve) {}
  std::string Name(IpVersion version, const std::uint8_t* address);

private:
  bool Resolve;
  std::map<AddressKey, std::string> Cache;
};
