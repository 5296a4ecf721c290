// Traffic at a fixed packet rate for the live benchmark: UDP/IPv4 frames
// written straight onto one interface (a packet socket), so no socket, route
// or reply on either side adds packets the meters would also count.
//
//   live_traffic IFACE PPS SECONDS [FRAME_BYTES] [FLOWS]
//
// The frames go from 10.x.0.2 to 10.x.0.1 (the addresses of the benchmark's
// veth pair) and carry a destination MAC that is not the peer's, so the peer
// kernel drops them once the capture has seen them. Sending is paced in
// millisecond slots against the monotonic clock; the last line printed is
// "sent N in S s (R/s)".
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

std::uint16_t Checksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < length; i += 2)
    sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
  if (length & 1) sum += static_cast<std::uint32_t>(data[length - 1] << 8);
  while (sum >> 16)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

// One frame per flow: the source port tells the flows apart.
std::vector<std::uint8_t> MakeFrame(const std::uint8_t sourceMac[6], const std::uint8_t source[4],
                                    const std::uint8_t destination[4], std::uint16_t sourcePort,
                                    std::size_t frameBytes) {
  std::vector<std::uint8_t> f(frameBytes, 0);
  const std::uint8_t foreignMac[6] = {0x02, 0x00, 0x5e, 0x10, 0x00, 0x01};
  std::memcpy(&f[0], foreignMac, 6);
  std::memcpy(&f[6], sourceMac, 6);
  Put16(&f[12], 0x0800);
  std::uint8_t* ip = &f[14];
  ip[0] = 0x45;
  Put16(ip + 2, static_cast<std::uint16_t>(frameBytes - 14));
  ip[8] = 64;
  ip[9] = 17;
  std::memcpy(ip + 12, source, 4);
  std::memcpy(ip + 16, destination, 4);
  Put16(ip + 10, Checksum(ip, 20));
  std::uint8_t* udp = ip + 20;
  Put16(udp, sourcePort);
  Put16(udp + 2, 9); // discard
  Put16(udp + 4, static_cast<std::uint16_t>(frameBytes - 34));
  return f;
}

double Seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9; }

} // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: live_traffic IFACE PPS SECONDS [FRAME_BYTES] [FLOWS]\n");
    return 2;
  }
  const char* iface = argv[1];
  const long pps = std::atol(argv[2]);
  const double seconds = std::atof(argv[3]);
  const std::size_t frameBytes = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 100;
  const int flows = argc > 5 ? std::atoi(argv[5]) : 16;
  if (pps <= 0 || seconds <= 0 || frameBytes < 60 || frameBytes > 1514 || flows < 1) {
    std::fprintf(stderr, "live_traffic: bad arguments\n");
    return 2;
  }

  const int s = socket(AF_PACKET, SOCK_RAW, 0);
  if (s < 0) {
    std::perror("live_traffic: socket");
    return 1;
  }
  ifreq request{};
  std::snprintf(request.ifr_name, sizeof request.ifr_name, "%s", iface);
  if (ioctl(s, SIOCGIFINDEX, &request) < 0) {
    std::perror("live_traffic: interface");
    return 1;
  }
  const int index = request.ifr_ifindex;
  if (ioctl(s, SIOCGIFHWADDR, &request) < 0) {
    std::perror("live_traffic: hardware address");
    return 1;
  }
  std::uint8_t mac[6];
  std::memcpy(mac, request.ifr_hwaddr.sa_data, 6);
  if (ioctl(s, SIOCGIFADDR, &request) < 0) {
    std::perror("live_traffic: address");
    return 1;
  }
  std::uint8_t source[4];
  std::memcpy(source, &reinterpret_cast<sockaddr_in*>(&request.ifr_addr)->sin_addr, 4);
  std::uint8_t destination[4] = {source[0], source[1], source[2], 1};

  sockaddr_ll to{};
  to.sll_family = AF_PACKET;
  to.sll_ifindex = index;
  to.sll_halen = 6;

  std::vector<std::vector<std::uint8_t>> frames;
  for (int i = 0; i < flows; ++i)
    frames.push_back(MakeFrame(mac, source, destination, static_cast<std::uint16_t>(40000 + i), frameBytes));

  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  const long long total = static_cast<long long>(pps * seconds);
  long long sent = 0, failed = 0;
  timespec slot = start;
  for (long long ms = 1; sent < total; ++ms) {
    // Everything due up to the end of this millisecond, then sleep to the next.
    const long long due = std::min(total, pps * ms / 1000);
    for (; sent < due; ++sent) {
      const auto& f = frames[static_cast<std::size_t>(sent % flows)];
      while (sendto(s, f.data(), f.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
        if (errno != ENOBUFS && errno != EAGAIN) {
          std::perror("live_traffic: send");
          return 1;
        }
        ++failed;
      }
    }
    slot.tv_nsec += 1000000;
    if (slot.tv_nsec >= 1000000000) {
      slot.tv_nsec -= 1000000000;
      ++slot.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &slot, nullptr);
  }
  timespec end{};
  clock_gettime(CLOCK_MONOTONIC, &end);
  const double took = Seconds(end) - Seconds(start);
  std::printf("sent %lld in %.3f s (%.0f/s, %lld retries)\n", sent, took, sent / took, failed);
  close(s);
  return 0;
}
