#pragma once
// Counting of one captured packet: wire bytes into the interval's counters,
// incoming/outgoing by the adapter's IPv4 address, TCP/UDP into the flow table.
#include <cstdint>

#include "capture/flow_table.h"

struct IntervalCounters {
  std::uint64_t Bytes = 0;
  std::uint64_t BytesIn = 0;
  std::uint64_t BytesOut = 0;
};

// Adds one packet of `len` wire bytes of which `caplen` bytes were captured
// (`bytes` starts with the Ethernet header). Never reads past caplen. The caller
// holds the engine's data lock and counts the packet itself.
void AccountPacket(IntervalCounters& counters, FlowTable& flows, const std::uint8_t localAddress[4],
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes);
