#pragma once
// Host names of addresses, each resolved once per run and kept for the life of
// the engine; a failed lookup is kept as the address text followed by " [F]".
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "capture/ip_address.h"
#include "platform/lock.h"

class HostNameCache {
public:
  // The cached text, or resolves it (which may wait on the network; the cache
  // lock is not held meanwhile) and caches it. A hit adds 1 to CacheHits.
  // The address has 4 bytes for IPv4, 16 for IPv6.
  std::wstring HostName(IpVersion version, const std::uint8_t* address);
  // The cached text without resolving; false when the address is not cached.
  // Counts a hit like HostName.
  bool Lookup(IpVersion version, const std::uint8_t* address, std::wstring& name);

  // Read without the lock (the counters query does).
  std::uint32_t CacheEntries() const { return Entries.load(std::memory_order_relaxed); }
  std::uint32_t CacheHits() const { return Hits.load(std::memory_order_relaxed); }

private:
  platform::Lock CacheLock;
  std::map<AddressKey, std::wstring> Names;
  std::atomic<std::uint32_t> Hits{0};
  std::atomic<std::uint32_t> Entries{0};
};

// "a.b.c.d [F]" (IPv4) or the RFC 5952 text and " [F]" (IPv6) for an address
// that could not be resolved.
std::wstring FailedHostName(IpVersion version, const std::uint8_t* address);
