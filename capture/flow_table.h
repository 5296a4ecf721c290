#pragma once
// The TCP/UDP flows of one sampling interval. A packet adds its length to every
// entry that shares its destination port or its source port; only a packet that
// matches none creates an entry.
#include <cstddef>
#include <cstdint>
#include <vector>

struct ConnectionEntry {
  std::uint16_t SrcPort = 0;       // host byte order
  std::uint16_t DstPort = 0;       // host byte order
  std::uint8_t SrcAddress[4] = {}; // network byte order, as captured
  std::uint8_t DstAddress[4] = {};
  std::uint32_t Bytes = 0; // wraps at 2^32
};

class FlowTable {
public:
  void RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                  const std::uint8_t* dstAddress, std::uint32_t length);
  // Largest Bytes, the earliest entry on a tie; null when there is none.
  const ConnectionEntry* Busiest() const;
  bool empty() const { return Entries.empty(); }
  std::size_t size() const { return Entries.size(); }
  // Entries in the order they were created.
  const std::vector<ConnectionEntry>& List() const { return Entries; }
  void Clear();

private:
  std::vector<ConnectionEntry> Entries;
};
