// The packet handler's arithmetic and the interval's flow table, on synthetic
// frames. Each frame is passed in a buffer of exactly `caplen` bytes, so
// AddressSanitizer reports any read past the captured bytes.
#include <gtest/gtest.h>

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

class Accounting : public ::testing::Test {
protected:
  std::uint8_t LocalAddress[4] = {192, 168, 0, 10};
  IntervalCounters Counters;
  FlowTable Flows;

  // Captures the first `caplen` bytes of `frame` (all when 0) with wire length `len`.
  void Packet(std::vector<std::uint8_t> frame, std::uint32_t len, std::uint32_t caplen = 0) {
    if (caplen == 0) caplen = static_cast<std::uint32_t>(frame.size());
    if (frame.size() < caplen) frame.resize(caplen); // payload bytes
    auto captured = std::make_unique<std::uint8_t[]>(caplen);
    std::copy(frame.begin(), frame.begin() + caplen, captured.get());
    AccountPacket(Counters, Flows, LocalAddress, caplen, len, captured.get());
  }

  void ExpectCounts(std::uint64_t total, std::uint64_t in, std::uint64_t out) {
    EXPECT_EQ(Counters.Bytes, total);
    EXPECT_EQ(Counters.BytesIn, in);
    EXPECT_EQ(Counters.BytesOut, out);
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
  std::fill(std::begin(LocalAddress), std::end(LocalAddress), 0);
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

} // namespace
