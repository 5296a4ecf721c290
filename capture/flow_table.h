#pragma once
// The TCP/UDP flows of one sampling interval. A packet adds its length to every
// entry that shares its destination port or its source port; only a packet that
// matches none creates an entry.
//
// Because of that rule no two entries share a source port and no two share a
// destination port, so a packet can add to at most two entries: the one with its
// source port and the one with its destination port. Two port-indexed tables
// find them, which keeps the cost per packet constant however many flows the
// interval has.
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
  // Empties the table and releases the entries' storage.
  void Clear();

private:
  static constexpr std::size_t PortCount = 65536;

  // Position of the entry that owns `port` in `index` (the first or second half
  // of PortSlots), or Entries.size() when no entry does. A slot is only trusted
  // when the entry it names still carries that port, so Clear never has to
  // reset the slots.
  std::size_t FindBySrc(std::uint16_t port) const;
  std::size_t FindByDst(std::uint16_t port) const;

  std::vector<ConnectionEntry> Entries;
  // Source-port slots, then destination-port slots; made on the first flow.
  // Each source port (and each destination port) has at most one entry, so there
  // are never more than 65536 entries and 16 bits name any of them.
  std::vector<std::uint16_t> PortSlots;
};
