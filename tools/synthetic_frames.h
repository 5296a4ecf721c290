#pragma once
// Captured frames made up for tests, benchmarks and the generator: Ethernet II
// headers followed by IPv4 or IPv6 with TCP/UDP/ICMP, or an ARP frame; and the
// same packets behind the link headers of other adapters.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Ipv4Frame {
  std::uint8_t Src[4] = {10, 0, 0, 1};
  std::uint8_t Dst[4] = {10, 0, 0, 2};
  std::uint8_t Protocol = 17; // 6 TCP, 17 UDP, 1 ICMP
  std::uint16_t SrcPort = 1024;
  std::uint16_t DstPort = 80;
  std::uint8_t HeaderWords = 5; // IPv4 header length in 32-bit words
};

// The first bytes of the frame: Ethernet, IPv4 (options zero-filled) and, for
// TCP and UDP, the transport header (20 or 8 bytes).
std::vector<std::uint8_t> MakeIpv4Frame(const Ipv4Frame& frame);
std::vector<std::uint8_t> MakeArpFrame();

struct Ipv6Frame {
  std::uint8_t Src[16] = {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  std::uint8_t Dst[16] = {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
  std::uint8_t Protocol = 17; // 6 TCP, 17 UDP, 58 ICMPv6
  std::uint16_t SrcPort = 1024;
  std::uint16_t DstPort = 80;
  // Extension headers in order (0 hop-by-hop, 43 routing, 60 destination
  // options: 8 bytes each; 44 a first fragment).
  std::vector<std::uint8_t> Extensions;
};

// Ethernet, the IPv6 header, the extension headers and the transport header.
std::vector<std::uint8_t> MakeIpv6Frame(const Ipv6Frame& frame = Ipv6Frame{});

// Link types of the capture files written here (LINKTYPE_ values).
constexpr int LinkEthernet = 1, LinkNull = 0, LinkLoop = 108, LinkRaw = 101, LinkLinuxCooked = 113;

// An Ethernet frame made above, behind the link header of `linkType` instead:
// DLT_NULL with the address family in little-endian order (IPv6 as 24),
// DLT_LOOP in network order (IPv6 as 30), raw IP, or Linux cooked. A frame
// that is neither IPv4 nor IPv6 gets family 7, or a first byte of 0 when raw.
std::vector<std::uint8_t> Reframe(const std::vector<std::uint8_t>& ethernet, int linkType);

// Writes a classic pcap file packet by packet.
class PcapWriter {
public:
  // Time stamps with nanosecond resolution when `nanoseconds` is set, otherwise
  // microseconds. Check ok() after construction.
  PcapWriter(const std::string& path, bool nanoseconds = false, int linkType = LinkEthernet);
  ~PcapWriter();
  PcapWriter(const PcapWriter&) = delete;
  PcapWriter& operator=(const PcapWriter&) = delete;

  bool ok() const { return File != nullptr; }
  // `time` in nanoseconds since the epoch; `bytes` holds the captured part of a
  // packet of `len` bytes on the wire.
  void Write(std::uint64_t time, std::uint32_t len, const std::vector<std::uint8_t>& bytes);
  // False when anything failed to be written.
  bool Close();

private:
  std::FILE* File = nullptr;
  bool Nanoseconds;
  bool Failed = false;
};
