// The packet handler's arithmetic and the interval's flow table, on synthetic
// frames of every link type. Each frame is passed in a buffer of exactly
// `caplen` bytes, so AddressSanitizer reports any read past the captured bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "capture/packet_accounting.h"
#include "frames.h"

using namespace testframes;

namespace {

const Ipv4 Local{192, 168, 0, 10};
const Ipv4 Remote{10, 0, 0, 1};
const Ipv4 Other1{10, 0, 0, 2};
const Ipv4 Other2{10, 0, 0, 3};

const Ipv6 Local6{0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
const Ipv6 LinkLocal6{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0x02, 0, 0, 0xff, 0xfe, 0, 0, 1};
const Ipv6 Remote6{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const Ipv6 Other6{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};

class Accounting : public ::testing::Test {
protected:
  AccountingSetup Setup = [] {
    AccountingSetup setup;
    const std::uint8_t local[4] = {192, 168, 0, 10};
    std::memcpy(setup.LocalIpv4, local, 4);
    setup.LocalIpv6 = {LinkLocal6, Local6};
    return setup;
  }();
  IntervalCounters Counters;
  FlowTable Flows;

  static constexpr std::uint32_t Whole = 0xFFFFFFFF;

  // Captures the first `caplen` bytes of `frame` (all of it by default) with wire length `len`.
  void Packet(std::vector<std::uint8_t> frame, std::uint32_t len, std::uint32_t caplen = Whole) {
    if (caplen == Whole) caplen = static_cast<std::uint32_t>(frame.size());
    if (frame.size() < caplen) frame.resize(caplen); // payload bytes
    auto captured = std::make_unique<std::uint8_t[]>(caplen);
    std::copy(frame.begin(), frame.begin() + caplen, captured.get());
    AccountPacket(Counters, Flows, Setup, caplen, len, captured.get());
  }

  void ExpectCounts(std::uint64_t total, std::uint64_t in, std::uint64_t out) {
    EXPECT_EQ(Counters.Bytes, total);
    EXPECT_EQ(Counters.BytesIn, in);
    EXPECT_EQ(Counters.BytesOut, out);
  }

  void Reset() {
    Counters = IntervalCounters{};
    Flows.Clear();
  }
};

TEST_F(Accounting, FramesThatAreNotReadableIPv4CountInTheTotalOnly) {
  Packet(FrameWithEtherType(0x0806, 60), 60);   // ARP
  Packet(FrameWithEtherType(0x86DD, 128), 900); // IPv6
  // VLAN-tagged IPv4 to the local address: the tag hides the EtherType.
  std::vector<std::uint8_t> vlan = Ipv4Frame(Remote, Local, Tcp, 1000, 80);
  vlan.insert(vlan.begin() + 12, {0x81, 0x00, 0x00, 0x05});
  Packet(vlan, 1000);
  // IPv4 to the local address with only 37 bytes captured.
  Packet(Ipv4Frame(Remote, Local, Tcp, 1000, 80), 1400, 37);
  Packet(std::vector<std::uint8_t>(1, 0x08), 64); // a single captured byte
  ExpectCounts(60 + 900 + 1000 + 1400 + 64, 0, 0);
  EXPECT_TRUE(Flows.empty());
}

TEST_F(Accounting, DirectionFollowsTheLocalAddressAndCountsWireLength) {
  Packet(Ipv4Frame(Remote, Local, Udp, 53, 4000), 1514, 128); // in, wire length counts
  Packet(Ipv4Frame(Local, Remote, Udp, 4000, 53), 100);       // out
  Packet(Ipv4Frame(Other1, Other2, Udp, 7, 7), 70);           // neither
  Packet(Ipv4Frame(Local, Local, Icmp), 98);                  // both: incoming only
  ExpectCounts(1514 + 100 + 70 + 98, 1514 + 98, 100);
}

TEST_F(Accounting, WithoutALocalAddressNothingIsIncomingOrOutgoing) {
  std::fill(std::begin(Setup.LocalIpv4), std::end(Setup.LocalIpv4), 0);
  Packet(Ipv4Frame(Remote, Local, Tcp, 1, 2), 500);
  Packet(Ipv4Frame(Local, Remote, Tcp, 2, 1), 500);
  ExpectCounts(1000, 0, 0);
}

TEST_F(Accounting, OnlyTcpAndUdpAreRecordedAsFlows) {
  Packet(Ipv4Frame(Remote, Local, Icmp), 98);
  Packet(Ipv4Frame(Remote, Local, 47 /* GRE */, 1, 2), 98);
  EXPECT_TRUE(Flows.empty());
  EXPECT_EQ(Counters.BytesIn, 196u);
  Packet(Ipv4Frame(Other1, Other2, Tcp, 5000, 443), 60); // other hosts' flows too
  ASSERT_EQ(Flows.size(), 1u);
}

TEST_F(Accounting, PortsFollowTheIPv4HeaderLength) {
  Packet(Ipv4Frame(Remote, Local, Tcp, 0x1234, 0x0050, 1), 600); // 24-byte header
  ASSERT_EQ(Flows.size(), 1u);
  EXPECT_EQ(Flows.List()[0].SrcPort, 0x1234);
  EXPECT_EQ(Flows.List()[0].DstPort, 0x0050);
}

TEST_F(Accounting, PortsBeyondTheCapturedBytesAreNotRead) {
  // Ten option words put the ports at 74; only 38 bytes were captured.
  Packet(Ipv4Frame(Remote, Local, Tcp, 1, 2, 10), 1500, 38);
  // The longest header (15 words) with the ports one byte short of captured.
  Packet(Ipv4Frame(Local, Remote, Udp, 1, 2, 10), 1500, 14 + 60 + 3);
  ExpectCounts(3000, 1500, 1500);
  EXPECT_TRUE(Flows.empty());
  // Exactly enough bytes for the ports: recorded.
  Packet(Ipv4Frame(Local, Remote, Udp, 7, 9, 10), 100, 14 + 60 + 4);
  ASSERT_EQ(Flows.size(), 1u);
  EXPECT_EQ(Flows.List()[0].DstPort, 9);
}

TEST_F(Accounting, FlowsShareAnEntryBySourcePortOrDestinationPort) {
  Packet(Ipv4Frame(Local, Remote, Tcp, 1000, 80), 100);  // A:1000 -> B:80
  Packet(Ipv4Frame(Remote, Local, Tcp, 80, 1000), 40);   // the answer: its own entry
  Packet(Ipv4Frame(Other1, Other2, Tcp, 2000, 80), 300); // same destination port: first entry
  ASSERT_EQ(Flows.size(), 2u);
  const ConnectionEntry& first = Flows.List()[0];
  EXPECT_EQ(first.SrcPort, 1000);
  EXPECT_EQ(first.DstPort, 80);
  EXPECT_EQ(first.SrcAddress[0], 192);
  EXPECT_EQ(first.DstAddress[0], 10);
  EXPECT_EQ(first.Bytes, 400u);
  EXPECT_EQ(Flows.List()[1].Bytes, 40u);

  // Source port of entry 2 and destination port of entry 1: both get the length.
  Packet(Ipv4Frame(Other1, Other2, Udp, 80, 80), 7);
  EXPECT_EQ(Flows.List()[0].Bytes, 407u);
  EXPECT_EQ(Flows.List()[1].Bytes, 47u);
  EXPECT_EQ(Flows.size(), 2u);
}

TEST_F(Accounting, TheEarliestEntryWinsATie) {
  Packet(Ipv4Frame(Local, Remote, Tcp, 1, 2), 500);
  Packet(Ipv4Frame(Local, Remote, Tcp, 3, 4), 500);
  ASSERT_NE(Flows.Busiest(), nullptr);
  EXPECT_EQ(Flows.Busiest()->SrcPort, 1);
  Packet(Ipv4Frame(Local, Remote, Tcp, 3, 4), 1);
  EXPECT_EQ(Flows.Busiest()->SrcPort, 3);
}

TEST(LinkKinds, FollowTheCaptureLibrarysLinkType) {
  EXPECT_EQ(LinkKindOf(1), LinkKind::Ethernet);
  EXPECT_EQ(LinkKindOf(0), LinkKind::Null);
  EXPECT_EQ(LinkKindOf(108), LinkKind::Loop);
  EXPECT_EQ(LinkKindOf(12), LinkKind::Raw);
  EXPECT_EQ(LinkKindOf(14), LinkKind::Raw);
  EXPECT_EQ(LinkKindOf(101), LinkKind::Raw);
  EXPECT_EQ(LinkKindOf(113), LinkKind::LinuxCooked);
  for (int other : {-1, 2, 105, 127, 276})
    EXPECT_EQ(LinkKindOf(other), LinkKind::Unknown) << other;
}

TEST_F(Accounting, EveryLinkTypeFindsTheIpHeader) {
  Setup.Ipv6 = true;
  for (Link link : AllLinks) {
    SCOPED_TRACE(static_cast<int>(link));
    Setup.Link = KindOf(link);
    Reset();
    Packet(Framed(link, Ipv4Packet(Remote, Local, Tcp, 80, 1000)), 1000);
    Packet(Framed(link, Ipv4Packet(Local, Remote, Udp, 1000, 53)), 100);
    Packet(Framed(link, Ipv6Packet(Remote6, Local6, Udp, 443, 2000)), 10'000);
    Packet(Framed(link, Ipv6Packet(LinkLocal6, Remote6, Tcp, 2000, 8080)), 1);
    Packet(Framed(link, Ipv6Packet(Remote6, Other6, Icmp)), 7);
    ExpectCounts(11'108, 11'000, 101);
    const std::vector<ConnectionEntry>& flows = Flows.List();
    ASSERT_EQ(flows.size(), 4u);
    EXPECT_EQ(flows[0].Version, IpVersion::V4);
    EXPECT_EQ(flows[0].SrcPort, 80);
    EXPECT_EQ(flows[0].SrcAddress[3], 1);
    EXPECT_EQ(flows[0].DstAddress[3], 10);
    EXPECT_EQ(flows[2].Version, IpVersion::V6);
    EXPECT_EQ(flows[2].SrcPort, 443);
    EXPECT_EQ(flows[2].DstPort, 2000);
    EXPECT_EQ(0, std::memcmp(flows[2].SrcAddress, Remote6.data(), 16));
    EXPECT_EQ(0, std::memcmp(flows[2].DstAddress, Local6.data(), 16));
    EXPECT_EQ(flows[3].Bytes, 1u);
  }
}

TEST_F(Accounting, LoopbackHeadersNameTheFamilyInEitherByteOrder) {
  Setup.Ipv6 = true;
  for (std::uint8_t family : {24, 28, 30}) {
    Setup.Link = LinkKind::Null;
    Packet(Framed(Link::NullLittleEndian, Ipv6Packet(Remote6, Local6, Icmp), family), 100);
    Packet(Framed(Link::NullBigEndian, Ipv6Packet(Remote6, Local6, Icmp), family), 100);
    Setup.Link = LinkKind::Loop;
    Packet(Framed(Link::Loop, Ipv6Packet(Local6, Remote6, Icmp), family), 10);
  }
  ExpectCounts(630, 600, 30);
  // The AF_INET6 values of Linux and Windows are no loopback families, and
  // DLT_LOOP never reads little-endian.
  Reset();
  Setup.Link = LinkKind::Null;
  for (std::uint8_t family : {10, 23})
    Packet(Framed(Link::NullLittleEndian, Ipv6Packet(Remote6, Local6, Icmp), family), 100);
  Setup.Link = LinkKind::Loop;
  Packet(Framed(Link::NullLittleEndian, Ipv4Packet(Remote, Local, Icmp)), 100);
  ExpectCounts(300, 0, 0);
}

TEST_F(Accounting, OtherLinkTypesAndOtherProtocolsCountInTheTotalOnly) {
  Setup.Ipv6 = true;
  Setup.Link = LinkKind::Unknown;
  Packet(Framed(Link::Ethernet, Ipv4Packet(Remote, Local, Tcp, 1, 2)), 100);
  Packet(Ipv4Packet(Remote, Local, Tcp, 1, 2), 100);
  Setup.Link = LinkKind::Raw;
  std::vector<std::uint8_t> notIp = Ipv4Packet(Remote, Local, Tcp, 1, 2);
  notIp[0] = 0x55;
  Packet(notIp, 100);
  Setup.Link = LinkKind::LinuxCooked;
  std::vector<std::uint8_t> arp = Framed(Link::LinuxCooked, Ipv4Packet(Remote, Local, Tcp, 1, 2));
  arp[14] = 0x08;
  arp[15] = 0x06;
  Packet(arp, 100);
  ExpectCounts(400, 0, 0);
  EXPECT_TRUE(Flows.empty());
}

TEST_F(Accounting, IPv6IsOtherTrafficUntilSwitchedOn) {
  for (Link link : AllLinks) {
    Setup.Link = KindOf(link);
    Packet(Framed(link, Ipv6Packet(Remote6, Local6, Tcp, 80, 1000)), 1000);
  }
  ExpectCounts(6000, 0, 0);
  EXPECT_TRUE(Flows.empty());
}

TEST_F(Accounting, IPv6DirectionComparesEveryAdapterAddress) {
  Setup.Ipv6 = true;
  Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, LinkLocal6, Icmp)), 1);   // to the first: in
  Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, Local6, Icmp)), 10);      // to the second: in
  Packet(Framed(Link::Ethernet, Ipv6Packet(Local6, Remote6, Icmp)), 100);     // from one: out
  Packet(Framed(Link::Ethernet, Ipv6Packet(Local6, LinkLocal6, Icmp)), 1000); // both: in only
  Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, Other6, Icmp)), 10'000);  // neither
  ExpectCounts(11'111, 1011, 100);
  // An adapter without IPv6 addresses: nothing is in or out.
  Reset();
  Setup.LocalIpv6.clear();
  Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, Local6, Udp, 1, 2)), 5);
  ExpectCounts(5, 0, 0);
  EXPECT_EQ(Flows.size(), 1u);
}

TEST_F(Accounting, ExtensionHeadersAreWalkedToThePorts) {
  Setup.Ipv6 = true;
  auto flowOf = [&](const std::vector<Extension>& extensions, std::uint8_t protocol = Udp) {
    Reset();
    Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, Local6, protocol, 4000, 53, extensions)), 300);
    EXPECT_EQ(Counters.BytesIn, 300u); // classified whatever follows the fixed header
    return Flows.empty() ? -1 : static_cast<int>(Flows.List()[0].SrcPort);
  };
  EXPECT_EQ(flowOf({}), 4000);
  EXPECT_EQ(flowOf({{0, 0}, {43, 2}, {60, 1}, {44, 0, 0}}), 4000); // every kind, lengths in 8-byte units
  EXPECT_EQ(flowOf({{0, 255}}, Tcp), 4000);                        // 2048 bytes of options
  EXPECT_EQ(flowOf({{44, 0, 0}, {60, 0}}), 4000);                  // the first fragment carries the ports
  EXPECT_EQ(flowOf({{44, 0, 1}}), -1);                             // later fragments do not
  EXPECT_EQ(flowOf({{60, 0}, {44, 0, 8191}}), -1);
  EXPECT_EQ(flowOf(std::vector<Extension>(8, {60, 0})), 4000); // at most eight are walked
  EXPECT_EQ(flowOf(std::vector<Extension>(9, {60, 0})), -1);
  EXPECT_EQ(flowOf({}, 58), -1);    // ICMPv6
  EXPECT_EQ(flowOf({{50, 0}}), -1); // ESP hides the ports
  EXPECT_EQ(flowOf({{59, 0}}), -1); // no next header
}

// Cuts each packet after every byte: each part is read only once captured,
// and never a byte beyond caplen (the buffer ends there).
TEST_F(Accounting, TruncatedPacketsAreReadOnlyAsFarAsCaptured) {
  Setup.Ipv6 = true;
  struct Case {
    std::vector<std::uint8_t> Packet;
    std::size_t Classified; // captured bytes of the packet needed to count it as in
    std::size_t Ports;      // and to record its flow
  };
  const Case cases[] = {
      {Ipv4Packet(Remote, Local, Tcp, 1, 2), 24, 24},
      {Ipv4Packet(Remote, Local, Udp, 1, 2, 10), 24, 64},
      {Ipv6Packet(Remote6, Local6, Udp, 1, 2), 40, 44},
      {Ipv6Packet(Remote6, Local6, Tcp, 1, 2, {{0, 1}, {44, 0, 0}, {43, 0}, {60, 3}}), 40,
       40 + 16 + 8 + 8 + 32 + 4},
  };
  for (Link link : AllLinks) {
    Setup.Link = KindOf(link);
    for (const Case& c : cases) {
      const std::vector<std::uint8_t> frame = Framed(link, c.Packet);
      const std::size_t h = HeaderLength(link);
      for (std::size_t caplen = 0; caplen <= frame.size(); ++caplen) {
        SCOPED_TRACE(testing::Message() << "link " << static_cast<int>(link) << ", caplen " << caplen);
        Reset();
        Packet(frame, 2000, static_cast<std::uint32_t>(caplen));
        ASSERT_EQ(Counters.Bytes, 2000u);
        ASSERT_EQ(Counters.BytesIn, caplen >= h + c.Classified ? 2000u : 0u);
        ASSERT_EQ(Flows.size(), caplen >= h + c.Ports ? 1u : 0u);
      }
    }
  }
}

TEST_F(Accounting, IPv6FlowsShareThePortRuleWithIPv4) {
  Setup.Ipv6 = true;
  Packet(Ipv4Frame(Local, Remote, Tcp, 1000, 80), 100);
  Packet(Framed(Link::Ethernet, Ipv6Packet(Local6, Remote6, Tcp, 2000, 80)), 50); // same server port
  Packet(Framed(Link::Ethernet, Ipv6Packet(Remote6, Local6, Tcp, 80, 2000)), 70); // its answer
  const std::vector<ConnectionEntry>& flows = Flows.List();
  ASSERT_EQ(flows.size(), 2u);
  EXPECT_EQ(flows[0].Bytes, 150u);
  EXPECT_EQ(flows[0].Version, IpVersion::V4); // named by the packet that made it
  EXPECT_EQ(flows[0].SrcAddress[0], 192);
  EXPECT_EQ(flows[1].Version, IpVersion::V6);
  EXPECT_EQ(0, std::memcmp(flows[1].SrcAddress, Remote6.data(), 16));
  EXPECT_EQ(Flows.Busiest()->Version, IpVersion::V4);
}

} // namespace
