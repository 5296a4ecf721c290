#pragma once
// Captured frames made up for tests, benchmarks and the generator: Ethernet II
// headers followed by IPv4 with TCP/UDP/ICMP, or an ARP or IPv6 frame.
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
std::vector<std::uint8_t> MakeIpv6Frame();

// Writes a classic pcap file (Ethernet link type) packet by packet.
class PcapWriter {
public:
  // Time stamps with nanosecond resolution when `nanoseconds` is set, otherwise
  // microseconds. Check ok() after construction.
  PcapWriter(const std::string& path, bool nanoseconds = false);
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
