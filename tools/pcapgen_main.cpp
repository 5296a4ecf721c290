// bytwacht-pcapgen: writes a large synthetic capture file for the benchmarks
// and the link-type checks. Mostly TCP/UDP between the local address and many
// remote hosts in both directions, some traffic between other hosts, ICMP, ARP
// and IPv6; with --ipv6 P, P percent of the flows are IPv6 ones (local address
// fd00::10, some packets with extension headers), and --link writes the same
// packets behind another adapter's link header.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/replay_options.h"
#include "tools/synthetic_frames.h"

namespace {

struct Random {
  std::uint64_t State;
  std::uint64_t Next() { // splitmix64
    std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
};

int Usage() {
  std::fprintf(stderr,
               "usage: bytwacht-pcapgen [--packets N] [--flows F] [--pps R] [--seed S] [--ipv6 PERCENT]"
               " [--link ethernet|null|loop|raw|sll] FILE\n");
  return 2;
}

int LinkTypeNamed(const std::string& name) {
  if (name == "ethernet") return LinkEthernet;
  if (name == "null") return LinkNull;
  if (name == "loop") return LinkLoop;
  if (name == "raw") return LinkRaw;
  if (name == "sll") return LinkLinuxCooked;
  return -1;
}

// A flow's IPv6 packet: the local host fd00::10 and remote host 2001:db8::F.
std::vector<std::uint8_t> Ipv6Packet(Random& random, std::uint64_t f, bool incoming, std::uint8_t protocol,
                                     std::uint16_t client, std::uint16_t server) {
  Ipv6Frame frame;
  std::uint8_t local[16] = {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  std::uint8_t remote[16] = {0x20, 0x01, 0x0d, 0xb8};
  for (int i = 0; i < 8; ++i)
    remote[15 - i] = static_cast<std::uint8_t>(f >> (8 * i));
  std::memcpy(frame.Src, incoming ? remote : local, 16);
  std::memcpy(frame.Dst, incoming ? local : remote, 16);
  frame.Protocol = protocol == 1 ? 58 : protocol;
  frame.SrcPort = incoming ? server : client;
  frame.DstPort = incoming ? client : server;
  // Some packets carry extension headers before the ports.
  const std::uint32_t extra = random.Below(20);
  if (extra == 0) frame.Extensions = {0};
  if (extra == 1) frame.Extensions = {60, 44};
  return MakeIpv6Frame(frame);
}

} // namespace

int main(int argc, char** argv) {
  std::uint64_t packets = 5'000'000, flows = 1000, pps = 100'000, seed = 1, ipv6Percent = 0;
  int linkType = LinkEthernet;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::uint64_t* target = arg == "--packets" ? &packets
                            : arg == "--flows" ? &flows
                            : arg == "--pps"   ? &pps
                            : arg == "--seed"  ? &seed
                            : arg == "--ipv6"  ? &ipv6Percent
                                               : nullptr;
    if (arg == "--link") {
      if (i + 1 == argc || (linkType = LinkTypeNamed(argv[++i])) < 0) return Usage();
    } else if (target != nullptr) {
      if (i + 1 == argc) return Usage();
      *target = std::stoull(argv[++i]);
    } else if (path.empty() && arg[0] != '-') {
      path = arg;
    } else {
      return Usage();
    }
  }
  if (path.empty() || flows == 0 || pps == 0 || ipv6Percent > 100) return Usage();

  PcapWriter writer(path, false, linkType);
  if (!writer.ok()) {
    std::perror(path.c_str());
    return 2;
  }
  Random random{seed};
  const std::uint8_t local[4] = {192, 168, 1, 10};
  const std::uint16_t servers[] = {80, 443, 53, 22, 8080, 993, 123, 5060};
  const std::vector<std::uint8_t> arp = Reframe(MakeArpFrame(), linkType),
                                  ipv6 = Reframe(MakeIpv6Frame(), linkType);
  std::uint64_t time = 1'700'000'000ull * 1'000'000'000;
  const std::uint64_t gap = 2'000'000'000 / pps; // mean gap twice this over two

  for (std::uint64_t n = 0; n < packets; ++n) {
    time += random.Below(static_cast<std::uint32_t>(gap + 1)) / 1000 * 1000; // microsecond steps
    const std::uint32_t kind = random.Below(100);
    const std::uint32_t len = 60 + random.Below(1455);
    if (kind < 1) {
      writer.Write(time, len, arp);
      continue;
    }
    if (kind < 2) {
      writer.Write(time, len, ipv6);
      continue;
    }
    // A few flows carry most of the bytes, as on a real link.
    const std::uint64_t f = random.Below(4) == 0 ? random.Below(8) % flows : random.Next() % flows;
    Ipv4Frame frame;
    const std::uint8_t remote[4] = {172, static_cast<std::uint8_t>(16 + (f >> 16 & 15)),
                                    static_cast<std::uint8_t>(f >> 8), static_cast<std::uint8_t>(f)};
    frame.Protocol = kind < 5 ? 1 : (f % 3 == 0 ? 17 : 6);
    const auto client = static_cast<std::uint16_t>(1024 + f % 64000);
    const std::uint16_t server = servers[f % 8];
    const bool incoming = random.Below(2) == 0;
    if (f * 7919 % 100 < ipv6Percent) { // the flow's family, scattered over the flows
      std::vector<std::uint8_t> bytes =
          Reframe(Ipv6Packet(random, f, incoming, frame.Protocol, client, server), linkType);
      if (bytes.size() > len) bytes.resize(len);
      writer.Write(time, len, bytes);
      continue;
    }
    // Between other hosts: the remote host talks to its neighbour.
    const std::uint8_t neighbour[4] = {remote[0], remote[1], remote[2],
                                       static_cast<std::uint8_t>(remote[3] ^ 1)};
    const std::uint8_t* localEnd = kind >= 95 ? neighbour : local;
    for (int i = 0; i < 4; ++i) {
      frame.Src[i] = incoming ? remote[i] : localEnd[i];
      frame.Dst[i] = incoming ? localEnd[i] : remote[i];
    }
    frame.SrcPort = incoming ? server : client;
    frame.DstPort = incoming ? client : server;
    std::vector<std::uint8_t> bytes = Reframe(MakeIpv4Frame(frame), linkType);
    if (bytes.size() > len) bytes.resize(len);
    writer.Write(time, len, bytes);
  }
  if (!writer.Close()) {
    std::perror(path.c_str());
    return 2;
  }
  return 0;
}
