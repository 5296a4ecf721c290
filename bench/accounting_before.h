#pragma once
// The accounting of IPv4 over Ethernet as it was before link types, IPv6 and
// 64-bit flow counts came in, kept only so that the benchmark can measure the
// per-packet cost of both side by side.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "capture/packet_accounting.h"

namespace before {

struct ConnectionEntry32 {
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
  const ConnectionEntry32* Busiest() const;
  bool empty() const { return Created.empty(); }
  std::size_t size() const { return Created.size(); }
  // Entries in the order they were created (assembled when asked for).
  const std::vector<ConnectionEntry32>& List() const;
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
  void Assemble(std::size_t position, ConnectionEntry32& entry) const;

  std::unique_ptr<PortTables> Ports;
  std::vector<Created_> Created;
  mutable ConnectionEntry32 Top;
  mutable std::vector<ConnectionEntry32> Listed;
  mutable bool ListedCurrent = true;
};

void AccountPacket(IntervalCounters& counters, FlowTable& flows, const std::uint8_t localAddress[4],
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes);

} // namespace before
