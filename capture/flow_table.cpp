#include "capture/flow_table.h"

#include <cstring>

std::size_t FlowTable::FindBySrc(std::uint16_t port) const {
  const std::size_t slot = PortSlots[port];
  if (slot < Entries.size() && Entries[slot].SrcPort == port) return slot;
  return Entries.size();
}

std::size_t FlowTable::FindByDst(std::uint16_t port) const {
  const std::size_t slot = PortSlots[PortCount + port];
  if (slot < Entries.size() && Entries[slot].DstPort == port) return slot;
  return Entries.size();
}

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  if (PortSlots.empty()) PortSlots.assign(2 * PortCount, 0);
  const std::size_t none = Entries.size();
  const std::size_t bySrc = FindBySrc(srcPort);
  const std::size_t byDst = FindByDst(dstPort);
  if (bySrc != none) Entries[bySrc].Bytes += length;
  if (byDst != none && byDst != bySrc) Entries[byDst].Bytes += length;
  if (bySrc != none || byDst != none) return;

  ConnectionEntry entry;
  entry.SrcPort = srcPort;
  entry.DstPort = dstPort;
  std::memcpy(entry.SrcAddress, srcAddress, 4);
  std::memcpy(entry.DstAddress, dstAddress, 4);
  entry.Bytes = length;
  // A new entry's ports are unused by all others, so at most 65536 entries exist
  // and the position always fits the 16-bit slots.
  const auto position = static_cast<std::uint16_t>(Entries.size());
  Entries.push_back(entry);
  PortSlots[srcPort] = position;
  PortSlots[PortCount + dstPort] = position;
}

const ConnectionEntry* FlowTable::Busiest() const {
  const ConnectionEntry* best = nullptr;
  for (const ConnectionEntry& entry : Entries) {
    if (best == nullptr || entry.Bytes > best->Bytes) best = &entry;
  }
  return best;
}

void FlowTable::Clear() { std::vector<ConnectionEntry>().swap(Entries); }
