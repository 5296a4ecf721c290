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
//
// Byte counts are 64-bit: on a fast link with a long interval one flow can
// carry more than 4 GiB. The hot table keeps the low 32 bits; the rare carry
// goes to a table of its own, made only when a count first wraps, and is
// looked for only once the interval's flows carried 4 GiB in all.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "capture/ip_address.h"

struct ConnectionEntry {
  std::uint16_t SrcPort = 0; // host byte order
  std::uint16_t DstPort = 0; // host byte order
  // The family and addresses of the packet that created the entry; an IPv4
  // address fills the first 4 bytes.
  IpVersion Version = IpVersion::V4;
  std::uint8_t SrcAddress[16] = {}; // network byte order, as captured
  std::uint8_t DstAddress[16] = {};
  std::uint64_t Bytes = 0;
};

class FlowTable {
public:
  // A packet with 4-byte IPv4 addresses, and one with 16-byte IPv6 addresses.
  void RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                  const std::uint8_t* dstAddress, std::uint32_t length);
  void RecordIpv6Flow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
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

  // The entries in creation order: their ports, which the busiest-flow scan
  // walks, and apart from them the addresses, read only for the entries asked for.
  struct Created_ {
    std::uint16_t SrcPort;
    std::uint16_t DstPort;
  };
  struct Addresses_ {
    IpVersion Version;
    std::uint8_t Src[16];
    std::uint8_t Dst[16];
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

  // The family is a template argument, so that the common path passes no
  // more than the packet's ports, addresses and length.
  template <IpVersion Version>
  void Record(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
              const std::uint8_t* dstAddress, std::uint32_t length);
  template <IpVersion Version>
  void CreateFirst(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                   const std::uint8_t* dstAddress, std::uint32_t length);
  template <IpVersion Version>
  void Create(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
              const std::uint8_t* dstAddress, std::uint32_t length);
  template <IpVersion Version>
  void RecordWide(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                  const std::uint8_t* dstAddress, std::uint32_t length);
  void AddWide(std::uint16_t srcPort, std::uint32_t length);
  std::uint64_t BytesOf(std::uint16_t srcPort) const;
  void Assemble(std::size_t position, ConnectionEntry& entry) const;

  std::unique_ptr<PortTables> Ports;
  // By source port: how often the entry's low 32 bits wrapped this interval.
  // Made at the first wrap; zero again after Clear.
  std::unique_ptr<std::uint32_t[]> CarriesBySrc;
  bool Carried = false; // CarriesBySrc holds a non-zero count
  // What the interval's flows may still carry before a count could wrap; 0
  // once that happened, for the rest of the interval.
  std::uint32_t Headroom = 0xFFFFFFFF;
  std::vector<Created_> Created;
  std::vector<Addresses_> CreatedAddresses;
  mutable ConnectionEntry Top;
  mutable std::vector<ConnectionEntry> Listed;
  mutable bool ListedCurrent = true;
};
