#include "capture/packet_accounting.h"

#include <cstring>

namespace {

constexpr std::uint8_t ProtocolTcp = 6, ProtocolUdp = 17;
constexpr std::uint16_t EtherTypeIpv4 = 0x0800, EtherTypeIpv6 = 0x86DD;
// An IPv4 header without options and the two ports behind it.
constexpr std::uint32_t Ipv4Needed = 20 + 4;
constexpr std::uint32_t Ipv6HeaderLength = 40;
// Extension headers walked to find the ports; a packet with more records no flow.
constexpr int MostExtensionHeaders = 8;

std::uint16_t ReadU16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

enum class Network : std::uint8_t { None, V4, V6 };

struct NetworkHeader {
  Network Kind;
  std::uint32_t Offset;
};

NetworkHeader FromEtherType(std::uint16_t type, std::uint32_t offset) {
  if (type == EtherTypeIpv4) return {Network::V4, offset};
  if (type == EtherTypeIpv6) return {Network::V6, offset};
  return {Network::None, 0};
}

// BSD address families as loopback headers carry them: AF_INET is 2 on every
// system, AF_INET6 is 24, 28 or 30 depending on the system that captured.
NetworkHeader FromFamily(std::uint32_t family) {
  if (family == 2) return {Network::V4, 4};
  if (family == 24 || family == 28 || family == 30) return {Network::V6, 4};
  return {Network::None, 0};
}

NetworkHeader Locate(LinkKind link, std::uint32_t caplen, const std::uint8_t* bytes) {
  switch (link) {
  case LinkKind::Ethernet:
    if (caplen < 14) break;
    return FromEtherType(ReadU16(bytes + 12), 14);
  case LinkKind::LinuxCooked:
    if (caplen < 16) break;
    return FromEtherType(ReadU16(bytes + 14), 16);
  case LinkKind::Null: {
    if (caplen < 4) break;
    // In the byte order of the machine that captured: read little-endian, and
    // a value beyond 16 bits means it was big-endian.
    const std::uint32_t little =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return FromFamily(little > 0xFFFF ? __builtin_bswap32(little) : little);
  }
  case LinkKind::Loop:
    if (caplen < 4) break;
    return FromFamily(static_cast<std::uint32_t>(bytes[0]) << 24 |
                      static_cast<std::uint32_t>(bytes[1]) << 16 | static_cast<std::uint32_t>(bytes[2]) << 8 |
                      static_cast<std::uint32_t>(bytes[3]));
  case LinkKind::Raw:
    if (caplen < 1) break;
    if (bytes[0] >> 4 == 4) return {Network::V4, 0};
    if (bytes[0] >> 4 == 6) return {Network::V6, 0};
    break;
  case LinkKind::Unknown: break;
  }
  return {Network::None, 0};
}

// The IP header at `ip`, of which `captured` bytes are there. Six arguments
// at most, so that every call on the way to the flow table can be a jump.
// Inlined, so that the Ethernet path checks its lengths once.
__attribute__((always_inline)) inline void AccountIpv4(IntervalCounters& counters, FlowTable& flows,
                                                       const AccountingSetup& setup, std::uint32_t len,
                                                       const std::uint8_t* ip, std::uint32_t captured) {
  if (captured < Ipv4Needed) return;
  const std::uint8_t* source = ip + 12;
  const std::uint8_t* destination = ip + 16;
  if (std::memcmp(destination, setup.LocalIpv4, 4) == 0)
    counters.BytesIn += len;
  else if (std::memcmp(source, setup.LocalIpv4, 4) == 0)
    counters.BytesOut += len;

  const std::uint8_t protocol = ip[9];
  if (protocol != ProtocolTcp && protocol != ProtocolUdp) return;
  // With IPv4 options the ports can lie beyond the captured bytes: such a
  // packet is classified above but not recorded as a flow.
  const std::uint32_t transport = (ip[0] & 0x0Fu) * 4;
  if (transport + 4 > captured) return;
  flows.RecordFlow(ReadU16(ip + transport), ReadU16(ip + transport + 2), source, destination, len);
}

bool IsLocalIpv6(const AccountingSetup& setup, const std::uint8_t* address) {
  for (const Ipv6Bytes& local : setup.LocalIpv6)
    if (std::memcmp(address, local.data(), 16) == 0) return true;
  return false;
}

__attribute__((noinline)) void AccountIpv6(IntervalCounters& counters, FlowTable& flows,
                                           const AccountingSetup& setup, std::uint32_t len,
                                           const std::uint8_t* ip, std::uint32_t captured) {
  if (captured < Ipv6HeaderLength) return;
  const std::uint8_t* source = ip + 8;
  const std::uint8_t* destination = ip + 24;
  if (IsLocalIpv6(setup, destination))
    counters.BytesIn += len;
  else if (IsLocalIpv6(setup, source))
    counters.BytesOut += len;

  // The ports follow the extension headers. Each header is read only while its
  // first two bytes (next header, length) were captured.
  std::uint8_t next = ip[6];
  std::uint32_t at = Ipv6HeaderLength;
  for (int walked = 0;; ++walked) {
    if (next == ProtocolTcp || next == ProtocolUdp) break;
    if (walked == MostExtensionHeaders) return;
    if (next == 0 || next == 43 || next == 60) { // hop-by-hop, routing, destination options
      if (at + 2 > captured) return;
      next = ip[at];
      at += (ip[at + 1] + 1u) * 8;
    } else if (next == 44) { // fragment
      // Only the first fragment carries the ports. When its offset field was
      // not captured, neither were the ports behind it.
      if (at + 4 > captured || (ReadU16(ip + at + 2) & 0xFFF8) != 0) return;
      next = ip[at];
      at += 8;
    } else {
      return;
    }
  }
  if (at + 4 > captured) return;
  flows.RecordIpv6Flow(ReadU16(ip + at), ReadU16(ip + at + 2), source, destination, len);
}

// Every link type but Ethernet: the header is located first. Locate never
// places it beyond the captured bytes.
__attribute__((noinline)) void AccountOtherLink(IntervalCounters& counters, FlowTable& flows,
                                                const AccountingSetup& setup, std::uint32_t caplen,
                                                std::uint32_t len, const std::uint8_t* bytes) {
  const NetworkHeader header = Locate(setup.Link, caplen, bytes);
  if (header.Kind == Network::V4)
    AccountIpv4(counters, flows, setup, len, bytes + header.Offset, caplen - header.Offset);
  else if (header.Kind == Network::V6 && setup.Ipv6)
    AccountIpv6(counters, flows, setup, len, bytes + header.Offset, caplen - header.Offset);
}

} // namespace

LinkKind LinkKindOf(int dataLink) {
  switch (dataLink) {
  case 1: return LinkKind::Ethernet;
  case 0: return LinkKind::Null;
  case 108: return LinkKind::Loop;
  case 12:                        // DLT_RAW on most systems
  case 14:                        // DLT_RAW on OpenBSD
  case 101: return LinkKind::Raw; // LINKTYPE_RAW as files name it
  case 113: return LinkKind::LinuxCooked;
  default: return LinkKind::Unknown;
  }
}

void AccountPacket(IntervalCounters& counters, FlowTable& flows, const AccountingSetup& setup,
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes) {
  counters.Bytes += len;
  // Ethernet, by far the most common, with its offsets known here.
  if (setup.Link == LinkKind::Ethernet) [[likely]] {
    if (caplen < 14) return;
    const std::uint16_t type = ReadU16(bytes + 12);
    if (type == EtherTypeIpv4) return AccountIpv4(counters, flows, setup, len, bytes + 14, caplen - 14);
    if (type == EtherTypeIpv6 && setup.Ipv6)
      return AccountIpv6(counters, flows, setup, len, bytes + 14, caplen - 14);
    return;
  }
  AccountOtherLink(counters, flows, setup, caplen, len, bytes);
}
