#include "capture/packet_accounting.h"

#include <cstring>

namespace {

constexpr std::uint32_t EthernetLength = 14;
// Ethernet, an IPv4 header without options and the two ports.
constexpr std::uint32_t ShortestCounted = EthernetLength + 20 + 4;
constexpr std::uint8_t ProtocolTcp = 6, ProtocolUdp = 17;

std::uint16_t ReadPort(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

} // namespace

void AccountPacket(IntervalCounters& counters, FlowTable& flows, const std::uint8_t localAddress[4],
                   std::uint32_t caplen, std::uint32_t len, const std::uint8_t* bytes) {
  counters.Bytes += len;
  if (caplen < ShortestCounted) return;
  if (bytes[12] != 0x08 || bytes[13] != 0x00) return;

  const std::uint8_t* source = bytes + 26;
  const std::uint8_t* destination = bytes + 30;
  if (std::memcmp(destination, localAddress, 4) == 0)
    counters.BytesIn += len;
  else if (std::memcmp(source, localAddress, 4) == 0)
    counters.BytesOut += len;

  const std::uint8_t protocol = bytes[23];
  if (protocol != ProtocolTcp && protocol != ProtocolUdp) return;
  // With IPv4 options the ports can lie beyond the captured bytes: such a
  // packet is classified above but not recorded as a flow.
  const std::uint32_t transport = EthernetLength + (bytes[14] & 0x0Fu) * 4;
  if (transport + 4 > caplen) return;
  flows.RecordFlow(ReadPort(bytes + transport), ReadPort(bytes + transport + 2), source, destination, len);
}
