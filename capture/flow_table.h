#pragma once
// The TCP/UDP flows of one sampling interval. A packet adds its length to every
// entry that shares its destination port or its source port; only a packet that
// matches none creates an entry.
//
// Because of that rule no two entries share a source port and no two share a
// destination port, so a packet can add to at most two entries: the one with its
// source port and the one with its destination port. Two port-indexed tables
// find them, which keeps the cost per packet constant however many flows the
// interval has. What a packet touches (ports and byte count, 8 bytes an entry)
// is kept apart from the addresses, so that even tens of thousands of entries
// stay within the processor's caches. Packets are applied in small batches
// whose table lookups are fetched from memory together rather than one miss
// after the other; every query applies what is pending first, so callers never
// see the difference.
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
  // Largest Bytes, the earliest entry on a tie; null when there is none. Points
  // into List(), valid until the next RecordFlow or Clear.
  const ConnectionEntry* Busiest() const;
  bool empty() const { return size() == 0; }
  std::size_t size() const;
  // Entries in the order they were created (assembled when asked for).
  const std::vector<ConnectionEntry>& List() const;
  // Empties the table; the entries' storage (at most about 1 MiB) is kept.
  void Clear();

private:
  static constexpr std::size_t PortCount = 65536;
  static constexpr std::size_t FewEntries = 16;
  static constexpr std::size_t BatchSize = 32;

  struct Count {
    std::uint16_t SrcPort;
    std::uint16_t DstPort;
    std::uint32_t Bytes;
  };
  struct Addresses {
    std::uint8_t Src[4];
    std::uint8_t Dst[4];
  };
  struct Packet {
    std::uint16_t SrcPort;
    std::uint16_t DstPort;
    std::uint32_t Length;
    Addresses Hosts;
  };

  void ApplyPending() const;
  void Apply(const Packet& packet) const;

  // Recorded, not yet applied, in order.
  Packet Pending[BatchSize];
  mutable std::size_t PendingCount = 0;

  // The entries' ports and bytes, followed by one scratch element: a packet's
  // lookups always read and add to some element, the scratch one when its port
  // has no entry, so the path of a packet has no branch that depends on the
  // table's contents (such branches are unpredictable with many flows and would
  // stall every cache miss behind them).
  mutable std::vector<Count> Counts;
  mutable std::vector<Addresses> EntryAddresses;
  // Source-port slots, then destination-port slots; made on the first flow. A
  // slot is only trusted when the entry it names exists and still carries that
  // port, so Clear never has to reset the slots. Each source port has at most
  // one entry, so there are never more than 65536 entries and 16 bits name any.
  mutable std::vector<std::uint16_t> PortSlots;
  mutable std::vector<ConnectionEntry> Listed;
  mutable bool ListedCurrent = true;
};
