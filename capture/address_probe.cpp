#include "capture/address_probe.h"

#include <algorithm>

std::string JoinAddresses(std::vector<std::string> addresses) {
  std::sort(addresses.begin(), addresses.end());
  std::string look;
  for (const std::string& address : addresses)
    look += static_cast<char>(address.size()) + address;
  return look;
}
