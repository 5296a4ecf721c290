// A real capture of IPv6 traffic on a veth pair of our own (made by
// scripts/with-veth6.sh): datagrams to the peer and its echoes must count as
// outgoing and incoming with the IPv6 switch on, and as other traffic with it
// off. Fails when run without the pair, so that it never passes unseen.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include "capture/capture_engine.h"
#include "settings/settings.h"

namespace {

constexpr std::uint16_t Port = 47813;
constexpr int Datagrams = 100;
constexpr std::size_t Payload = 1000;
// Ethernet, IPv6 and UDP headers.
constexpr std::int64_t Headers = 14 + 40 + 8;

#ifdef _WIN32
using Socket = SOCKET;
void CloseSocket(Socket s) { closesocket(s); }
#else
using Socket = int;
void CloseSocket(Socket s) { close(s); }
#endif

// A UDP socket talking to the echo server on the peer.
class EchoClient {
public:
  explicit EchoClient(const char* peer) {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    Peer.sin6_family = AF_INET6;
    Peer.sin6_port = htons(Port);
    Valid = inet_pton(AF_INET6, peer, &Peer.sin6_addr) == 1;
    Handle = socket(AF_INET6, SOCK_DGRAM, 0);
#ifdef _WIN32
    DWORD timeout = 200;
#else
    timeval timeout{0, 200'000};
#endif
    setsockopt(Handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }
  EchoClient(const EchoClient&) = delete;
  EchoClient& operator=(const EchoClient&) = delete;
  ~EchoClient() {
    CloseSocket(Handle);
#ifdef _WIN32
    WSACleanup();
#endif
  }

  bool Send(std::size_t payload) {
    const std::string bytes(payload, 'x');
    return sendto(Handle, bytes.data(), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&Peer), sizeof Peer) == static_cast<int>(payload);
  }
  // Takes the echoes that have come; how many.
  int Drain() {
    char buffer[2048];
    int echoes = 0;
    while (recv(Handle, buffer, sizeof buffer, 0) > 0)
      ++echoes;
    return echoes;
  }

  bool Valid = false;

private:
  sockaddr_in6 Peer{};
  Socket Handle;
};

struct Sums {
  std::int64_t Total = 0, In = 0, Out = 0, Other = 0;
  bool NamedByAddress = false; // a busiest flow named by the veth's address text
};

// One capture of the veth: small probes until the capture sees one, then the
// datagrams and their echoes. Returns the history's sums in bytes.
Sums CaptureRound(const std::wstring& device, bool ipv6, EchoClient& echo, std::uint32_t& packets) {
  Settings settings;
  settings.SetDefaults();
  settings.DeviceName = device;
  settings.CaptureFilter = L"udp port " + std::to_wstring(Port);
  settings.Interval = 200;
  settings.IPv6 = ipv6;
  CaptureEngine engine;
  engine.Configure(nullptr, nullptr, &settings, nullptr, 15);
  EXPECT_TRUE(engine.StartCapture(false));
  auto counted = [&] { return engine.GetCounters().PacketCount; };
  for (int i = 0; i < 100 && counted() == 0; ++i) {
    EXPECT_TRUE(echo.Send(1));
    echo.Drain();
  }
  EXPECT_GT(counted(), 0u) << "no probe was captured";
  for (int i = 0; i < Datagrams; ++i) {
    EXPECT_TRUE(echo.Send(Payload));
    if (i % 20 == 19) echo.Drain();
  }
  echo.Drain();
  // Until every datagram and echo was counted (probes come in pairs too).
  for (int i = 0; i < 500 && (counted() < 2 * Datagrams || counted() % 2 != 0); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine.StopCapture();
  packets = counted();

  Sums sums;
  engine.LockData();
  const TrafficHistory& history = engine.GetBPSData();
  for (std::size_t i = 0; i < history.size(); ++i) {
    const BPSSample s = history[i];
    // Five samples a second: a rate is five times the interval's bytes.
    sums.Total += s.Total / 5;
    sums.In += s.In / 5;
    sums.Out += s.Out / 5;
    sums.Other += s.Other / 5;
    sums.NamedByAddress = sums.NamedByAddress || s.TopSrcHost.rfind(L"fd77:6::", 0) == 0;
  }
  engine.UnlockData();
  EXPECT_EQ(sums.Total, static_cast<std::int64_t>(settings.BytesTransmitted.load()));
  return sums;
}

TEST(LiveIpv6Capture, DatagramsAndTheirEchoesCountAsOutAndIn) {
  const char* device = std::getenv("BYTWACHT_VETH6_DEVICE");
  const char* peer = std::getenv("BYTWACHT_VETH6_PEER");
  ASSERT_TRUE(device != nullptr && peer != nullptr) << "run through scripts/with-veth6.sh";
  EchoClient echo(peer);
  ASSERT_TRUE(echo.Valid);
  const std::wstring name(device, device + std::strlen(device));

  // Every packet is a datagram of ours or its echo: 1000 payload bytes, or a
  // 1-byte probe. What is left after the datagrams must be whole probes.
  std::uint32_t packets = 0;
  const Sums on = CaptureRound(name, true, echo, packets);
  const std::int64_t big = Datagrams * (Payload + Headers), probe = 1 + Headers;
  ASSERT_GE(on.Out, big);
  ASSERT_GE(on.In, big);
  EXPECT_EQ((on.Out - big) % probe, 0);
  EXPECT_EQ((on.In - big) % probe, 0);
  EXPECT_EQ((on.Out - big) / probe + (on.In - big) / probe + 2 * Datagrams, packets);
  EXPECT_EQ(on.Other, 0);
  EXPECT_TRUE(on.NamedByAddress) << "no busiest flow named by an fd77:6:: address";

  // Switched off, the same traffic is neither in nor out.
  const Sums off = CaptureRound(name, false, echo, packets);
  EXPECT_EQ(off.In + off.Out, 0);
  EXPECT_GE(off.Other, 2 * big);
}

} // namespace
