#include "capture/host_name_cache.h"

#include "capture/name_resolver.h"
#include "platform/text_conversion.h"

namespace {

std::array<std::uint8_t, 4> ToKey(const std::uint8_t address[4]) {
  return {address[0], address[1], address[2], address[3]};
}

} // namespace

std::wstring FailedHostName(const std::uint8_t address[4]) {
  std::wstring text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += L'.';
    text += std::to_wstring(static_cast<unsigned>(address[i]));
  }
  return text + L" [F]";
}

bool HostNameCache::Lookup(const std::uint8_t address[4], std::wstring& name) {
  platform::LockGuard guard(CacheLock);
  const auto found = Names.find(ToKey(address));
  if (found == Names.end()) return false;
  Hits.fetch_add(1, std::memory_order_relaxed);
  name = found->second;
  return true;
}

std::wstring HostNameCache::HostName(const std::uint8_t address[4]) {
  std::wstring name;
  if (Lookup(address, name)) return name;

  std::string host;
  name = ResolveHostName(address, host) ? NarrowToWide(host) : FailedHostName(address);

  platform::LockGuard guard(CacheLock);
  // Another thread may have resolved the same address meanwhile; the first
  // text stays in the cache.
  if (Names.emplace(ToKey(address), name).second) Entries.fetch_add(1, std::memory_order_relaxed);
  return name;
}
