#pragma once
// Synthetic Ethernet frames for the accounting tests.
#include <cstdint>
#include <vector>

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

} // namespace testframes
