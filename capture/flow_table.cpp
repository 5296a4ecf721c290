#include "capture/flow_table.h"

#include <cstring>

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  Packet& packet = Pending[PendingCount++];
  packet.SrcPort = srcPort;
  packet.DstPort = dstPort;
  packet.Length = length;
  std::memcpy(packet.Hosts.Src, srcAddress, 4);
  std::memcpy(packet.Hosts.Dst, dstAddress, 4);
  ListedCurrent = false;
  // With many entries the packet's port slots are likely out of cache: start
  // loading them now, they are read when the batch is applied.
  if (Counts.size() > FewEntries + 1) {
    __builtin_prefetch(&PortSlots[srcPort]);
    __builtin_prefetch(&PortSlots[PortCount + dstPort]);
  }
  if (PendingCount == BatchSize) ApplyPending();
}

void FlowTable::ApplyPending() const {
  if (PendingCount == 0) return;
  if (PortSlots.empty()) PortSlots.assign(2 * PortCount, 0);
  if (Counts.empty()) Counts.push_back({});
  if (Counts.size() - 1 > FewEntries) {
    // The slots were requested as the packets came; now start every entry load
    // of the batch before the first packet needs one. Packets applied earlier
    // in the batch may move a slot; the hints then just miss, the lookups
    // themselves read afresh.
    const std::size_t entries = Counts.size();
    for (std::size_t i = 0; i < PendingCount; ++i) {
      const std::size_t bySrc = PortSlots[Pending[i].SrcPort],
                        byDst = PortSlots[PortCount + Pending[i].DstPort];
      __builtin_prefetch(&Counts[bySrc < entries ? bySrc : 0], 1);
      __builtin_prefetch(&Counts[byDst < entries ? byDst : 0], 1);
    }
  }
  for (std::size_t i = 0; i < PendingCount; ++i)
    Apply(Pending[i]);
  PendingCount = 0;
}

void FlowTable::Apply(const Packet& packet) const {
  const std::uint16_t srcPort = packet.SrcPort, dstPort = packet.DstPort;
  const std::uint32_t length = packet.Length;
  const std::size_t entries = Counts.size() - 1; // the last element is scratch

  std::size_t bySrc = entries, byDst = entries;
  if (entries <= FewEntries) {
    // Most intervals have a handful of entries: reading them all costs less
    // than two lookups in the port slots, which are often out of cache.
    for (std::size_t i = 0; i < entries; ++i) {
      bySrc = Counts[i].SrcPort == srcPort ? i : bySrc;
      byDst = Counts[i].DstPort == dstPort ? i : byDst;
    }
  } else {
    bySrc = PortSlots[srcPort];
    bySrc = bySrc < entries ? bySrc : entries;
    byDst = PortSlots[PortCount + dstPort];
    byDst = byDst < entries ? byDst : entries;
  }
  // Plain & and masks rather than && and if: the compiler keeps them free of
  // jumps. The scratch element never carries a match.
  const std::uint32_t srcMatch = (bySrc != entries) & (Counts[bySrc].SrcPort == srcPort);
  const std::uint32_t dstMatch = (byDst != entries) & (Counts[byDst].DstPort == dstPort);
  // Both ports may lead to the same entry: it gets the length once.
  const std::uint32_t dstAdds = dstMatch & ~(srcMatch & (byDst == bySrc));
  Counts[bySrc].Bytes += length & (0u - srcMatch);
  Counts[byDst].Bytes += length & (0u - dstAdds);
  if ((srcMatch | dstMatch) != 0) return;

  // A new entry's ports are unused by all others, so at most 65536 entries exist
  // and the position always fits the 16-bit slots.
  const auto position = static_cast<std::uint16_t>(entries);
  Counts[entries] = {srcPort, dstPort, length};
  Counts.push_back({});
  EntryAddresses.push_back(packet.Hosts);
  PortSlots[srcPort] = position;
  PortSlots[PortCount + dstPort] = position;
}

std::size_t FlowTable::size() const {
  ApplyPending();
  return Counts.empty() ? 0 : Counts.size() - 1;
}

const std::vector<ConnectionEntry>& FlowTable::List() const {
  if (!ListedCurrent) {
    ApplyPending();
    Listed.resize(size());
    for (std::size_t i = 0; i < size(); ++i) {
      ConnectionEntry& entry = Listed[i];
      entry.SrcPort = Counts[i].SrcPort;
      entry.DstPort = Counts[i].DstPort;
      entry.Bytes = Counts[i].Bytes;
      std::memcpy(entry.SrcAddress, EntryAddresses[i].Src, 4);
      std::memcpy(entry.DstAddress, EntryAddresses[i].Dst, 4);
    }
    ListedCurrent = true;
  }
  return Listed;
}

const ConnectionEntry* FlowTable::Busiest() const {
  if (empty()) return nullptr;
  std::size_t best = 0;
  for (std::size_t i = 1; i < size(); ++i)
    if (Counts[i].Bytes > Counts[best].Bytes) best = i;
  return &List()[best];
}

void FlowTable::Clear() {
  PendingCount = 0; // packets of the interval that ends with it
  // The entries' storage is kept for the next interval: it is bounded (no two
  // entries share a source port, so there are at most 65536 of them, about
  // 1 MiB), and giving it back made every busy interval pay for fresh pages
  // again as the table regrew.
  Counts.clear();
  EntryAddresses.clear();
  std::vector<ConnectionEntry>().swap(Listed);
  ListedCurrent = true;
}
