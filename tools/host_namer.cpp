#include "tools/host_namer.h"

#include "capture/name_resolver.h"

std::string HostNamer::Name(IpVersion version, const std::uint8_t* address) {
  if (!Resolve) return AddressText(version, address);
  const AddressKey key = KeyOf(version, address);
  auto found = Cache.find(key);
  if (found != Cache.end()) return found->second;

  std::string name;
  if (!ResolveHostName(version, address, name)) name = AddressText(version, address) + " [F]";
  Cache.emplace(key, name);
  return name;
}
