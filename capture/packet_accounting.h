#pragma once
// Counting of one captured packet: wire bytes into the interval's counters,
// incoming/outgoing by the adapter's own addresses, TCP/UDP into the flow table.
#include <cstdint>
#include <vector>

#include "capture/flow_table.h"
#include "capture/ip_address.h"

struct IntervalCounters {
  std::uint64_t Bytes = 0;
  std::uint64_t BytesIn = 0;
  std::uint64_t BytesOut = 0;
};

// How an adapter frames its packets, from the capture library's link type.
enum class LinkKind : std::uint8_t {
  Ethernet,    // DLT_EN10MB: EtherType at 12, network header at 14
  Null,        // DLT_NULL: 4-byte address family in the capturing machine's byte order
  Loop,        // DLT_LOOP: the same family in network byte order
  Raw,         // DLT_RAW: the IP header first, its version nibble tells which
  LinuxCooked, // DLT_LINUX_SLL: EtherType at 14, network header at 16
  Unknown,     // anything else: counted, never classified
};

LinkKind LinkKindOf(int dataLink);

// What the accounting of one capture needs besides the packets.
struct AccountingSetup {
  LinkKind Link = LinkKind::Ethernet;
  std::uint8_t LocalIpv4[4] = {}; // 0.0.0.0 when the adapter has none: nothing matches
  // IPv6 packets are classified and recorded as flows only when this is set;
  // otherwise they count in the total alone.
  bool Ipv6 = false;
  std::vector<Ipv6Bytes> LocalIpv6;
};

// Adds one packet of `len` wire bytes of which `caplen` bytes were captured
// (`bytes` starts with the link-layer header). Never reads past caplen. The
// caller holds the engine's data lock and counts the packet itself.
void AccountPacket(IntervalCounters& counters, FlowTable& flows, const AccountingSetup& setup,
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes);
