#include "capture/host_name_cache.h"

#include "capture/name_resolver.h"
#include "platform/text_conversion.h"

std::wstring FailedHostName(IpVersion version, const std::uint8_t* address) {
  return NarrowToWide(AddressText(version, address)) + L" [F]";
}

bool HostNameCache::Lookup(IpVersion version, const std::uint8_t* address, std::wstring& name) {
  platform::LockGuard guard(CacheLock);
  const auto found = Names.find(KeyOf(version, address));
  if (found == Names.end()) return false;
  Hits.fetch_add(1, std::memory_order_relaxed);
  name = found->second;
  return true;
}

std::wstring HostNameCache::HostName(IpVersion version, const std::uint8_t* address) {
  std::wstring name;
  if (Lookup(version, address, name)) return name;

  std::string host;
  name = ResolveHostName(version, address, host) ? NarrowToWide(host) : FailedHostName(version, address);

  platform::LockGuard guard(CacheLock);
  // Another thread may have resolved the same address meanwhile; the first
  // text stays in the cache.
  if (Names.emplace(KeyOf(version, address), name).second) Entries.fetch_add(1, std::memory_order_relaxed);
  return name;
}
