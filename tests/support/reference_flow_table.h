#pragma once
// The flow rule in its plainest form, to check the indexed table against and to
// measure it by: walk every entry, add to each one sharing the destination or
// the source port, append an entry when none does.
#include <cstring>
#include <vector>

#include "capture/flow_table.h"

struct ReferenceFlowTable {
  std::vector<ConnectionEntry> Entries;

  void RecordFlow(std::uint16_t srcPort, std::uint16_t dstPort, const std::uint8_t* src,
                  const std::uint8_t* dst, std::uint32_t length) {
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
    std::memcpy(entry.SrcAddress, src, 4);
    std::memcpy(entry.DstAddress, dst, 4);
    entry.Bytes = length;
    Entries.push_back(entry);
  }

  // Position of the busiest entry (the earliest on a tie), -1 when empty.
  long Busiest() const {
    long best = -1;
    for (std::size_t i = 0; i < Entries.size(); ++i)
      if (best < 0 || Entries[i].Bytes > Entries[static_cast<std::size_t>(best)].Bytes)
        best = static_cast<long>(i);
    return best;
  }
};
