#pragma once
// Synthetic frames for the accounting tests: Ethernet with IPv4, bare IPv4 and
// IPv6 packets, and those behind the link header of each adapter kind.
#include <array>
#include <cstdint>
#include <vector>

#include "capture/packet_accounting.h"

namespace testframes {

struct Ipv4 {
  std::uint8_t A, B, C, D;
};

// An Ethernet II frame carrying IPv4 with `protocol`, the given addresses and
// (for TCP/UDP) ports; `optionWords` 32-bit words of IPv4 options.
inline std::vector<std::uint8_t> Ipv4Frame(Ipv4 source, Ipv4 destination, std::uint8_t protocol,
                                           std::uint16_t sourcePort = 0, std::uint16_t destinationPort = 0,
                                           int optionWords = 0) {
  std::vector<std::uint8_t> frame(14 + 20 + optionWords * 4 + 8, 0);
  frame[12] = 0x08;
  frame[13] = 0x00;
  frame[14] = static_cast<std::uint8_t>(0x40 | (5 + optionWords));
  frame[23] = protocol;
  const std::uint8_t src[4] = {source.A, source.B, source.C, source.D};
  const std::uint8_t dst[4] = {destination.A, destination.B, destination.C, destination.D};
  for (int i = 0; i < 4; ++i) {
    frame[26 + i] = src[i];
    frame[30 + i] = dst[i];
  }
  const std::size_t transport = 14 + 20 + optionWords * 4;
  frame[transport] = static_cast<std::uint8_t>(sourcePort >> 8);
  frame[transport + 1] = static_cast<std::uint8_t>(sourcePort);
  frame[transport + 2] = static_cast<std::uint8_t>(destinationPort >> 8);
  frame[transport + 3] = static_cast<std::uint8_t>(destinationPort);
  return frame;
}

inline std::vector<std::uint8_t> FrameWithEtherType(std::uint16_t etherType, std::size_t size) {
  std::vector<std::uint8_t> frame(size, 0x08); // bytes that would look like IPv4 further in
  frame[12] = static_cast<std::uint8_t>(etherType >> 8);
  frame[13] = static_cast<std::uint8_t>(etherType);
  return frame;
}

constexpr std::uint8_t Tcp = 6, Udp = 17, Icmp = 1;

// The IPv4 packet of Ipv4Frame without its Ethernet header.
inline std::vector<std::uint8_t> Ipv4Packet(Ipv4 source, Ipv4 destination, std::uint8_t protocol,
                                            std::uint16_t sourcePort = 0, std::uint16_t destinationPort = 0,
                                            int optionWords = 0) {
  std::vector<std::uint8_t> frame =
      Ipv4Frame(source, destination, protocol, sourcePort, destinationPort, optionWords);
  frame.erase(frame.begin(), frame.begin() + 14);
  return frame;
}

using Ipv6 = std::array<std::uint8_t, 16>;

// One IPv6 extension header: hop-by-hop (0), routing (43) and destination
// options (60) take (Units + 1) * 8 bytes; a fragment header (44) takes 8 and
// carries FragmentOffset (in 8-byte units).
struct Extension {
  std::uint8_t Type;
  std::uint8_t Units = 0;
  std::uint16_t FragmentOffset = 0;
};

// An IPv6 packet without link header: the fixed header, the extension headers
// in order, then 8 bytes of transport header beginning with the ports.
inline std::vector<std::uint8_t> Ipv6Packet(const Ipv6& source, const Ipv6& destination,
                                            std::uint8_t protocol, std::uint16_t sourcePort = 0,
                                            std::uint16_t destinationPort = 0,
                                            const std::vector<Extension>& extensions = {}) {
  std::vector<std::uint8_t> packet(40, 0);
  packet[0] = 0x60;
  packet[7] = 64;
  for (int i = 0; i < 16; ++i) {
    packet[8 + i] = source[i];
    packet[24 + i] = destination[i];
  }
  std::size_t nextHeaderField = 6;
  for (const Extension& e : extensions) {
    const std::size_t at = packet.size();
    packet[nextHeaderField] = e.Type;
    nextHeaderField = at;
    packet.resize(at + (e.Type == 44 ? 8 : (e.Units + 1u) * 8), 0);
    if (e.Type == 44) {
      packet[at + 2] = static_cast<std::uint8_t>(e.FragmentOffset >> 5);
      packet[at + 3] = static_cast<std::uint8_t>(e.FragmentOffset << 3 | 1); // more fragments
    } else {
      packet[at + 1] = e.Units;
    }
  }
  packet[nextHeaderField] = protocol;
  const std::size_t transport = packet.size();
  packet.resize(transport + 8, 0);
  packet[transport] = static_cast<std::uint8_t>(sourcePort >> 8);
  packet[transport + 1] = static_cast<std::uint8_t>(sourcePort);
  packet[transport + 2] = static_cast<std::uint8_t>(destinationPort >> 8);
  packet[transport + 3] = static_cast<std::uint8_t>(destinationPort);
  return packet;
}

// The link headers of the adapters the accounting knows.
enum class Link { Ethernet, NullLittleEndian, NullBigEndian, Loop, Raw, LinuxCooked };
constexpr Link AllLinks[] = {Link::Ethernet, Link::NullLittleEndian, Link::NullBigEndian, Link::Loop,
                             Link::Raw,      Link::LinuxCooked};

inline LinkKind KindOf(Link link) {
  switch (link) {
  case Link::Ethernet: return LinkKind::Ethernet;
  case Link::NullLittleEndian:
  case Link::NullBigEndian: return LinkKind::Null;
  case Link::Loop: return LinkKind::Loop;
  case Link::Raw: return LinkKind::Raw;
  case Link::LinuxCooked: return LinkKind::LinuxCooked;
  }
  return LinkKind::Unknown;
}

inline std::size_t HeaderLength(Link link) {
  return link == Link::Ethernet ? 14 : link == Link::LinuxCooked ? 16 : link == Link::Raw ? 0 : 4;
}

// `packet` (IPv4 or IPv6, told by its version nibble) behind the link header;
// IPv6 is announced to the loopback kinds as `ipv6Family` (24, 28 or 30).
inline std::vector<std::uint8_t> Framed(Link link, const std::vector<std::uint8_t>& packet,
                                        std::uint8_t ipv6Family = 24) {
  const bool ipv6 = !packet.empty() && packet[0] >> 4 == 6;
  const std::uint8_t family = ipv6 ? ipv6Family : 2;
  const std::uint8_t typeHigh = ipv6 ? 0x86 : 0x08, typeLow = ipv6 ? 0xDD : 0x00; // EtherType
  std::vector<std::uint8_t> header;
  switch (link) {
  case Link::Ethernet: header = {2, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 2, typeHigh, typeLow}; break;
  case Link::NullLittleEndian: header = {family, 0, 0, 0}; break;
  case Link::NullBigEndian:
  case Link::Loop: header = {0, 0, 0, family}; break;
  case Link::Raw: break;
  case Link::LinuxCooked:
    header.assign(16, 0);
    header[14] = typeHigh;
    header[15] = typeLow;
    break;
  }
  header.insert(header.end(), packet.begin(), packet.end());
  return header;
}

} // namespace testframes
