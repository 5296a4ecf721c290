#pragma once
// Host names of IPv4 addresses, each resolved once per run and kept for the
// life of the engine; a failed lookup is kept as "a.b.c.d [F]".
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "platform/lock.h"

class HostNameCache {
public:
  // The cached text, or resolves it (which may wait on the network; the cache
  // lock is not held meanwhile) and caches it. A hit adds 1 to CacheHits.
  std::wstring HostName(const std::uint8_t address[4]);
  // The cached text without resolving; false when the address is not cached.
  // Counts a hit like HostName.
  bool Lookup(const std::uint8_t address[4], std::wstring& name);

  // Read without the lock (the counters query does).
  std::uint32_t CacheEntries() const { return Entries.load(std::memory_order_relaxed); }
  std::uint32_t CacheHits() const { return Hits.load(std::memory_order_relaxed); }

private:
  using Key = std::array<std::uint8_t, 4>; // ordered byte by byte, first byte first

  platform::Lock CacheLock;
  std::map<Key, std::wstring> Names;
  std::atomic<std::uint32_t> Hits{0};
  std::atomic<std::uint32_t> Entries{0};
};

// "a.b.c.d [F]" for an address that could not be resolved.
std::wstring FailedHostName(const std::uint8_t address[4]);
