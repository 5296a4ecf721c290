#include "capture/flow_table.h"

#include <cstring>

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  if (PortSlots.empty()) PortSlots.assign(2 * PortCount, 0);
  if (Counts.empty()) Counts.push_back({});
  ListedCurrent = false;
  const std::size_t entries = Counts.size() - 1; // the last element is scratch

  std::size_t bySrc = PortSlots[srcPort];
  bySrc = bySrc < entries ? bySrc : entries;
  std::size_t byDst = PortSlots[PortCount + dstPort];
  byDst = byDst < entries ? byDst : entries;
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
  Addresses addresses;
  std::memcpy(addresses.Src, srcAddress, 4);
  std::memcpy(addresses.Dst, dstAddress, 4);
  EntryAddresses.push_back(addresses);
  PortSlots[srcPort] = position;
  PortSlots[PortCount + dstPort] = position;
}

const std::vector<ConnectionEntry>& FlowTable::List() const {
  if (!ListedCurrent) {
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
  std::vector<Count>().swap(Counts);
  std::vector<Addresses>().swap(EntryAddresses);
  std::vector<ConnectionEntry>().swap(Listed);
  ListedCurrent = true;
}
