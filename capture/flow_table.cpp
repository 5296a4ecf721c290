#include "capture/flow_table.h"

#include <cstring>

namespace {

inline std::uint32_t Bit(const std::vector<std::uint64_t>& words, std::uint32_t port) {
  return static_cast<std::uint32_t>(words[port >> 6] >> (port & 63)) & 1u;
}

} // namespace

void FlowTable::MakeTables() {
  SrcInUse.assign(WordCount, 0);
  DstInUse.assign(WordCount, 0);
  BytesBySrc.assign(PortCount, 0);
  SrcByDst.assign(PortCount, 0);
}

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  if (BytesBySrc.empty()) MakeTables();
  ListedCurrent = false;
  const std::uint32_t srcMatch = Bit(SrcInUse, srcPort);
  const std::uint32_t dstMatch = Bit(DstInUse, dstPort);
  // The entry with this destination port; a stale name when there is none, and
  // then it only gets 0 added. Both ports may lead to the same entry: it gets
  // the length once.
  const std::uint16_t byDst = SrcByDst[dstPort];
  const std::uint32_t dstAdds = dstMatch & ~(srcMatch & static_cast<std::uint32_t>(byDst == srcPort));
  // Masks rather than branches: with many flows whether a port matches is
  // unpredictable, and a mispredicted branch would wait for every load before it.
  BytesBySrc[srcPort] += length & (0u - srcMatch);
  BytesBySrc[byDst] += length & (0u - dstAdds);
  if ((srcMatch | dstMatch) != 0) return;

  SrcInUse[srcPort >> 6] |= std::uint64_t{1} << (srcPort & 63);
  DstInUse[dstPort >> 6] |= std::uint64_t{1} << (dstPort & 63);
  BytesBySrc[srcPort] = length;
  SrcByDst[dstPort] = srcPort;
  Created_ entry;
  entry.SrcPort = srcPort;
  entry.DstPort = dstPort;
  std::memcpy(entry.SrcAddress, srcAddress, 4);
  std::memcpy(entry.DstAddress, dstAddress, 4);
  Created.push_back(entry);
}

void FlowTable::Assemble(std::size_t position, ConnectionEntry& entry) const {
  const Created_& created = Created[position];
  entry.SrcPort = created.SrcPort;
  entry.DstPort = created.DstPort;
  entry.Bytes = BytesBySrc[created.SrcPort];
  std::memcpy(entry.SrcAddress, created.SrcAddress, 4);
  std::memcpy(entry.DstAddress, created.DstAddress, 4);
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
  std::uint32_t bestBytes = BytesBySrc[Created[0].SrcPort];
  for (std::size_t i = 1; i < Created.size(); ++i) {
    const std::uint32_t bytes = BytesBySrc[Created[i].SrcPort];
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
      SrcInUse[i] = 0;
      DstInUse[i] = 0;
    }
  }
  Created.clear();
  std::vector<ConnectionEntry>().swap(Listed);
  ListedCurrent = true;
}
