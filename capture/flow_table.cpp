#include "capture/flow_table.h"

#include <cstring>

template <IpVersion Version>
inline void FlowTable::Record(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                              const std::uint8_t* dstAddress, std::uint32_t length) {
  // No entry holds more than the lengths recorded this interval, so while
  // they add up to less than 2^32 no count can wrap.
  if (length > Headroom) [[unlikely]]
    return RecordWide<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
  Headroom -= length;
  if (!Ports) return CreateFirst<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
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
  if ((srcMatch | dstMatch) == 0) Create<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
}

// The same for the rest of an interval whose flows carried 4 GiB or more: each
// addition carries into the entry's upper 32 bits when it wraps.
template <IpVersion Version>
__attribute__((noinline)) void FlowTable::RecordWide(std::uint16_t srcPort, std::uint16_t dstPort,
                                                     const std::uint8_t* srcAddress,
                                                     const std::uint8_t* dstAddress, std::uint32_t length) {
  Headroom = 0;
  if (!Ports) return CreateFirst<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
  PortTables& ports = *Ports;
  ListedCurrent = false;
  const bool srcMatch = (ports.SrcInUse[srcPort >> 6] >> (srcPort & 63) & 1) != 0;
  const bool dstMatch = (ports.DstInUse[dstPort >> 6] >> (dstPort & 63) & 1) != 0;
  const std::uint16_t byDst = ports.SrcByDst[dstPort];
  if (!srcMatch && !dstMatch) return Create<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
  if (srcMatch) AddWide(srcPort, length);
  if (dstMatch && !(srcMatch && byDst == srcPort)) AddWide(byDst, length);
}

void FlowTable::AddWide(std::uint16_t srcPort, std::uint32_t length) {
  std::uint32_t& low = Ports->BytesBySrc[srcPort];
  if (__builtin_add_overflow(low, length, &low)) {
    if (!CarriesBySrc) CarriesBySrc = std::make_unique<std::uint32_t[]>(PortCount); // zeroed
    ++CarriesBySrc[srcPort];
    Carried = true;
  }
}

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  Record<IpVersion::V4>(srcPort, dstPort, srcAddress, dstAddress, length);
}

void FlowTable::RecordIpv6Flow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                               const std::uint8_t* dstAddress, std::uint32_t length) {
  Record<IpVersion::V6>(srcPort, dstPort, srcAddress, dstAddress, length);
}

// The rare paths are kept out of line and reached as tail calls, so that the
// path of a packet that only adds to entries needs no stack frame at all.
template <IpVersion Version>
__attribute__((noinline)) void FlowTable::CreateFirst(std::uint16_t srcPort, std::uint16_t dstPort,
                                                      const std::uint8_t* srcAddress,
                                                      const std::uint8_t* dstAddress, std::uint32_t length) {
  Ports = std::make_unique<PortTables>(); // zeroed
  ListedCurrent = false;
  Create<Version>(srcPort, dstPort, srcAddress, dstAddress, length);
}

template <IpVersion Version>
__attribute__((noinline)) void FlowTable::Create(std::uint16_t srcPort, std::uint16_t dstPort,
                                                 const std::uint8_t* srcAddress,
                                                 const std::uint8_t* dstAddress, std::uint32_t length) {
  PortTables& ports = *Ports;
  ports.SrcInUse[srcPort >> 6] |= std::uint64_t{1} << (srcPort & 63);
  ports.DstInUse[dstPort >> 6] |= std::uint64_t{1} << (dstPort & 63);
  ports.BytesBySrc[srcPort] = length;
  ports.SrcByDst[dstPort] = srcPort;
  Created.push_back({srcPort, dstPort});
  Addresses_& addresses = CreatedAddresses.emplace_back();
  addresses.Version = Version;
  std::memcpy(addresses.Src, srcAddress, AddressLength(Version));
  std::memcpy(addresses.Dst, dstAddress, AddressLength(Version));
}

std::uint64_t FlowTable::BytesOf(std::uint16_t srcPort) const {
  const std::uint64_t carries = Carried ? CarriesBySrc[srcPort] : 0;
  return carries << 32 | Ports->BytesBySrc[srcPort];
}

void FlowTable::Assemble(std::size_t position, ConnectionEntry& entry) const {
  const Created_& created = Created[position];
  const Addresses_& addresses = CreatedAddresses[position];
  entry = ConnectionEntry{};
  entry.SrcPort = created.SrcPort;
  entry.DstPort = created.DstPort;
  entry.Version = addresses.Version;
  entry.Bytes = BytesOf(created.SrcPort);
  std::memcpy(entry.SrcAddress, addresses.Src, AddressLength(addresses.Version));
  std::memcpy(entry.DstAddress, addresses.Dst, AddressLength(addresses.Version));
}

const std::vector<ConnectionEntry>& FlowTable::List() const {
  if (!ListedCurrent) {
    Listed.resize(Created.size());
    for (std::size_t i = 0; i < Created.size(); ++i)
      Assemble(i, Listed[i]);
    ListedCurrent = true;
  }
  return Listed;
}

const ConnectionEntry* FlowTable::Busiest() const {
  if (empty()) return nullptr;
  // Only the one entry is assembled: the sampler asks for it at every sample,
  // and a whole list of tens of thousands of entries would cost more than all
  // the lookups of some intervals.
  std::size_t best = 0;
  if (!Carried) {
    std::uint32_t bestBytes = Ports->BytesBySrc[Created[0].SrcPort];
    for (std::size_t i = 1; i < Created.size(); ++i) {
      const std::uint32_t bytes = Ports->BytesBySrc[Created[i].SrcPort];
      if (bytes > bestBytes) {
        best = i;
        bestBytes = bytes;
      }
    }
  } else {
    std::uint64_t bestBytes = BytesOf(Created[0].SrcPort);
    for (std::size_t i = 1; i < Created.size(); ++i) {
      const std::uint64_t bytes = BytesOf(Created[i].SrcPort);
      if (bytes > bestBytes) {
        best = i;
        bestBytes = bytes;
      }
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
  if (Carried) {
    std::memset(CarriesBySrc.get(), 0, PortCount * sizeof CarriesBySrc[0]);
    Carried = false;
  }
  Headroom = 0xFFFFFFFF;
  Created.clear();
  CreatedAddresses.clear();
  std::vector<ConnectionEntry>().swap(Listed);
  ListedCurrent = true;
}
