#include "bench/accounting_before.h"

#include <cstring>

namespace before {

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  if (!Ports) return CreateFirst(srcPort, dstPort, srcAddress, dstAddress, length);
  PortTables& ports = *Ports;
  ListedCurrent = false;
  const auto srcMatch = static_cast<std::uint32_t>(ports.SrcInUse[srcPort >> 6] >> (srcPort & 63)) & 1u;
  const auto dstMatch = static_cast<std::uint32_t>(ports.DstInUse[dstPort >> 6] >> (dstPort & 63)) & 1u;
  // The entry with this destination port; a stale name when there is none, and
  // then it only gets 0 added. Both ports may lead to the same entry: it gets
  // the length once.
  const std::uint16_t byDst = ports.SrcByDst[dstPort];
  const std::uint32_t dstAdds = dstMatch & ~(srcMatch & static_cast<std::uint32_t>(byDst == srcPort));
  // Masks rather than branches: with many flows whether a port matches is
  // unpredictable, and a mispredicted branch would wait for every load before it.
  ports.BytesBySrc[srcPort] += length & (0u - srcMatch);
  ports.BytesBySrc[byDst] += length & (0u - dstAdds);
  if ((srcMatch | dstMatch) == 0) Create(srcPort, dstPort, srcAddress, dstAddress, length);
}

// The rare paths are kept out of line and reached as tail calls, so that the
// path of a packet that only adds to entries needs no stack frame at all.
__attribute__((noinline)) void FlowTable::CreateFirst(std::uint16_t srcPort, std::uint16_t dstPort,
                                                      const std::uint8_t* srcAddress,
                                                      const std::uint8_t* dstAddress, std::uint32_t length) {
  Ports = std::make_unique<PortTables>(); // zeroed
  ListedCurrent = false;
  Create(srcPort, dstPort, srcAddress, dstAddress, length);
}

__attribute__((noinline)) void FlowTable::Create(std::uint16_t srcPort, std::uint16_t dstPort,
                                                 const std::uint8_t* srcAddress,
                                                 const std::uint8_t* dstAddress, std::uint32_t length) {
  PortTables& ports = *Ports;
  ports.SrcInUse[srcPort >> 6] |= std::uint64_t{1} << (srcPort & 63);
  ports.DstInUse[dstPort >> 6] |= std::uint64_t{1} << (dstPort & 63);
  ports.BytesBySrc[srcPort] = length;
  ports.SrcByDst[dstPort] = srcPort;
  Created_ entry;
  entry.SrcPort = srcPort;
  entry.DstPort = dstPort;
  std::memcpy(entry.SrcAddress, srcAddress, 4);
  std::memcpy(entry.DstAddress, dstAddress, 4);
  Created.push_back(entry);
}

void FlowTable::Assemble(std::size_t position, ConnectionEntry32& entry) const {
  const Created_& created = Created[position];
  entry.SrcPort = created.SrcPort;
  entry.DstPort = created.DstPort;
  entry.Bytes = Ports->BytesBySrc[created.SrcPort];
  std::memcpy(entry.SrcAddress, created.SrcAddress, 4);
  std::memcpy(entry.DstAddress, created.DstAddress, 4);
}

const std::vector<ConnectionEntry32>& FlowTable::List() const {
  if (!ListedCurrent) {
    Listed.resize(Created.size());
    for (std::size_t i = 0; i < Created.size(); ++i)
      Assemble(i, Listed[i]);
    ListedCurrent = true;
  }
  return Listed;
}

const ConnectionEntry32* FlowTable::Busiest() const {
  if (empty()) return nullptr;
  // Only the one entry is assembled: the sampler asks for it at every sample,
  // and a whole list of tens of thousands of entries would cost more than all
  // the lookups of some intervals.
  std::size_t best = 0;
  std::uint32_t bestBytes = Ports->BytesBySrc[Created[0].SrcPort];
  for (std::size_t i = 1; i < Created.size(); ++i) {
    const std::uint32_t bytes = Ports->BytesBySrc[Created[i].SrcPort];
    if (bytes > bestBytes) {
      best = i;
      bestBytes = bytes;
    }
  }
  Assemble(best, Top);
  return &Top;
}

void FlowTable::Clear() {
  // Only the in-use bits need resetting: a port's byte count and name are
  // written afresh when its entry is created. The storage is kept: it is bounded
  // (about 400 KiB for the port tables, and no two entries share a source port,
  // so at most 65536 entries), and giving it back made every busy interval pay
  // for fresh pages again.
  if (!Created.empty()) {
    for (std::size_t i = 0; i < WordCount; ++i) {
      Ports->SrcInUse[i] = 0;
      Ports->DstInUse[i] = 0;
    }
  }
  Created.clear();
  std::vector<ConnectionEntry32>().swap(Listed);
  ListedCurrent = true;
}

namespace {

constexpr std::uint32_t EthernetLength = 14;
// Ethernet, an IPv4 header without options and the two ports.
constexpr std::uint32_t ShortestCounted = EthernetLength + 20 + 4;
constexpr std::uint8_t ProtocolTcp = 6, ProtocolUdp = 17;

std::uint16_t ReadPort(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

} // namespace

void AccountPacket(IntervalCounters& counters, FlowTable& flows, const std::uint8_t localAddress[4],
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes) {
  counters.Bytes += len;
  if (caplen < ShortestCounted) return;
  if (bytes[12] != 0x08 || bytes[13] != 0x00) return;

  const std::uint8_t* source = bytes + 26;
  const std::uint8_t* destination = bytes + 30;
  if (std::memcmp(destination, localAddress, 4) == 0)
    counters.BytesIn += len;
  else if (std::memcmp(source, localAddress, 4) == 0)
    counters.BytesOut += len;

  const std::uint8_t protocol = bytes[23];
  if (protocol != ProtocolTcp && protocol != ProtocolUdp) return;
  // With IPv4 options the ports can lie beyond the captured bytes: such a
  // packet is classified above but not recorded as a flow.
  const std::uint32_t transport = EthernetLength + (bytes[14] & 0x0Fu) * 4;
  if (transport + 4 > caplen) return;
  flows.RecordFlow(ReadPort(bytes + transport), ReadPort(bytes + transport + 2), source, destination, len);
}

} // namespace before
