#pragma once
// The TCP/UDP flows of one sampling interval. A packet adds its length to every
// entry that shares its destination port or its source port; only a packet that
// matches none creates an entry.
//
// Because of that rule no two entries share a source port and no two share a
// destination port, so a packet can add to at most two entries: the one with its
// source port and the one with its destination port. The tables are therefore
// indexed by port, which keeps the cost per packet constant however many flows
// the interval has: an entry's byte count lives at its source port, and each
// destination port in use names the source port of its entry. Which ports are in
// use is kept in two small bitmaps, so emptying the table at every sample only
// clears those. The hot tables take about 400 KiB in all, whatever the number of
// flows, and fit the processor's second-level cache; the creation order and the
// addresses, needed only when the interval closes, are kept apart.
#include <cstddef>
#include <cstdint>
#include <memory>
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
  // Largest Bytes, the earliest entry on a tie; null when there is none. Valid
  // until the next RecordFlow, Busiest or Clear.
  const ConnectionEntry* Busiest() const;
  bool empty() const { return Created.empty(); }
  std::size_t size() const { return Created.size(); }
  // Entries in the order they were created (assembled when asked for).
  const std::vector<ConnectionEntry>& List() const;
  // Empties the table; the tables' storage is kept for the next interval.
  void Clear();

private:
  static constexpr std::size_t PortCount = 65536;
  static constexpr std::size_t WordCount = PortCount / 64;

  struct Created_ {
    std::uint16_t SrcPort;
    std::uint16_t DstPort;
    std::uint8_t SrcAddress[4];
    std::uint8_t DstAddress[4];
  };

  // The hot tables, in one block made with the first flow.
  struct PortTables {
    // Bit p set: an entry has source (destination) port p.
    std::uint64_t SrcInUse[WordCount];
    std::uint64_t DstInUse[WordCount];
    // By source port: the bytes of the entry with that source port.
    std::uint32_t BytesBySrc[PortCount];
    // By destination port: the source port of the entry with that destination port.
    std::uint16_t SrcByDst[PortCount];
  };

  void CreateFirst(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                   const std::uint8_t* dstAddress, std::uint32_t length);
  void Create(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
              const std::uint8_t* dstAddress, std::uint32_t length);
  void Assemble(std::size_t position, ConnectionEntry& entry) const;

  std::unique_ptr<PortTables> Ports;
  std::vector<Created_> Created;
  mutable ConnectionEntry Top;
  mutable std::vector<ConnectionEntry> Listed;
  mutable bool ListedCurrent = true;
};
