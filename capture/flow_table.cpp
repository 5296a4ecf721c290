#include "capture/flow_table.h"

#include <cstring>

void FlowTable::RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* srcAddress,
                           const std::uint8_t* dstAddress, std::uint32_t length) {
  bool matched = false;
  for (ConnectionEntry& entry : Entries) {
    if (entry.DstPort == dstPort || entry.SrcPort == srcPort) {
      entry.Bytes += length;
      matched = true;
    }
  }
  if (matched) return;
  ConnectionEntry entry;
  entry.SrcPort = srcPort;
  entry.DstPort = dstPort;
  std::memcpy(entry.SrcAddress, srcAddress, 4);
  std::memcpy(entry.DstAddress, dstAddress, 4);
  entry.Bytes = length;
  Entries.push_back(entry);
}

const ConnectionEntry* FlowTable::Busiest() const {
  const ConnectionEntry* best = nullptr;
  for (const ConnectionEntry& entry : Entries) {
    if (best == nullptr || entry.Bytes > best->Bytes) best = &entry;
  }
  return best;
}

void FlowTable::Clear() { std::vector<ConnectionEntry>().swap(Entries); }
