// The indexed flow table against the plain walk of every entry.
#include "capture/flow_table.h"
#include "tests/support/reference_flow_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using ReferenceTable = ReferenceFlowTable;

// Entries never share a source port, so it names the busiest entry's position.
long BusiestPosition(const FlowTable& table) {
  const ConnectionEntry* best = table.Busiest();
  if (best == nullptr) return -1;
  const std::vector<ConnectionEntry>& list = table.List();
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].SrcPort == best->SrcPort) {
      EXPECT_EQ(list[i].DstPort, best->DstPort);
      EXPECT_EQ(list[i].Bytes, best->Bytes);
      EXPECT_EQ(0, std::memcmp(list[i].SrcAddress, best->SrcAddress, 4));
      EXPECT_EQ(0, std::memcmp(list[i].DstAddress, best->DstAddress, 4));
      return static_cast<long>(i);
    }
  return -2;
}

void ExpectSame(const ReferenceTable& expected, const FlowTable& actual) {
  ASSERT_EQ(expected.Entries.size(), actual.size());
  for (std::size_t i = 0; i < expected.Entries.size(); ++i) {
    const ConnectionEntry& e = expected.Entries[i];
    const ConnectionEntry& a = actual.List()[i];
    ASSERT_EQ(e.SrcPort, a.SrcPort) << "entry " << i;
    ASSERT_EQ(e.DstPort, a.DstPort) << "entry " << i;
    ASSERT_EQ(0, std::memcmp(e.SrcAddress, a.SrcAddress, 4)) << "entry " << i;
    ASSERT_EQ(0, std::memcmp(e.DstAddress, a.DstAddress, 4)) << "entry " << i;
    ASSERT_EQ(e.Bytes, a.Bytes) << "entry " << i;
  }
  ASSERT_EQ(expected.Busiest(), BusiestPosition(actual));
}

struct StreamShape {
  unsigned Ports;   // ports are drawn from [0, Ports) plus a few fixed server ports
  unsigned Packets; // per interval
  bool HugeLengths; // lengths near 2^32 so that byte counts pass 2^32
};

// Random intervals of random packets; the table is cleared between intervals
// exactly as the sampler does, so stale port slots from earlier intervals are
// exercised as well.
void RunRandomIntervals(const StreamShape& shape, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<unsigned> port(0, shape.Ports - 1);
  std::uniform_int_distribution<unsigned> pick(0, 9);
  std::uniform_int_distribution<std::uint32_t> smallLength(60, 1514);
  std::uniform_int_distribution<std::uint32_t> hugeLength(0xF0000000u, 0xFFFFFFFFu);
  const std::uint16_t serverPorts[] = {80, 443, 53};
  FlowTable table;
  for (int interval = 0; interval < 6; ++interval) {
    ReferenceTable reference;
    for (unsigned n = 0; n < shape.Packets; ++n) {
      auto src = static_cast<std::uint16_t>(port(rng));
      auto dst = static_cast<std::uint16_t>(port(rng));
      // Mostly client/server traffic in both directions, sometimes anything.
      const unsigned kind = pick(rng);
      if (kind < 4)
        dst = serverPorts[kind % 3];
      else if (kind < 8)
        src = serverPorts[kind % 3];
      const std::uint8_t srcAddress[4] = {10, 0, static_cast<std::uint8_t>(src >> 8),
                                          static_cast<std::uint8_t>(n)};
      const std::uint8_t dstAddress[4] = {192, 168, static_cast<std::uint8_t>(dst), 1};
      const std::uint32_t length = shape.HugeLengths && pick(rng) == 0 ? hugeLength(rng) : smallLength(rng);
      reference.RecordFlow(src, dst, srcAddress, dstAddress, length);
      table.RecordFlow(src, dst, srcAddress, dstAddress, length);
    }
    ExpectSame(reference, table);
    table.Clear();
    ASSERT_TRUE(table.empty());
    ASSERT_EQ(nullptr, table.Busiest());
  }
}

TEST(FlowTableEquivalence, MatchesThePlainWalkOnRandomTraffic) {
  const StreamShape shapes[] = {
      {4, 50, false},       // a handful of ports: nearly every packet matches two entries
      {64, 2000, false},    // many merges
      {4000, 6000, false},  // many entries
      {65536, 3000, false}, // the whole port range
      {32, 3000, true},     // byte counts beyond 32 bits, through either port
  };
  unsigned seed = 1;
  for (const StreamShape& shape : shapes) {
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(testing::Message() << "ports " << shape.Ports << " seed " << seed);
      RunRandomIntervals(shape, seed++);
      if (HasFatalFailure()) return;
    }
  }
}

const std::uint8_t A[4] = {10, 0, 0, 1}, B[4] = {10, 0, 0, 2}, C[4] = {10, 0, 0, 3}, D[4] = {10, 0, 0, 4};

TEST(FlowTable, AttributesPacketsBySharedPorts) {
  FlowTable table;
  table.RecordFlow(1000, 80, A, B, 100); // A:1000 -> B:80
  table.RecordFlow(80, 1000, B, A, 40);  // reverse direction: its own entry
  table.RecordFlow(2000, 80, C, D, 7);   // another client of port 80 adds to the first entry
  ASSERT_EQ(2u, table.size());
  EXPECT_EQ(107u, table.List()[0].Bytes);
  EXPECT_EQ(0, std::memcmp(table.List()[0].SrcAddress, A, 4)); // named by the packet that created it
  EXPECT_EQ(40u, table.List()[1].Bytes);

  // Source port of the second entry, destination port of the first: both grow.
  table.RecordFlow(80, 80, C, C, 5);
  EXPECT_EQ(112u, table.List()[0].Bytes);
  EXPECT_EQ(45u, table.List()[1].Bytes);
  // Same entry through both ports: counted once.
  table.RecordFlow(1000, 80, A, B, 1);
  EXPECT_EQ(113u, table.List()[0].Bytes);
}

TEST(FlowTable, EarliestEntryWinsATie) {
  FlowTable table;
  table.RecordFlow(1, 2, A, B, 50);
  table.RecordFlow(3, 4, A, B, 70);
  table.RecordFlow(5, 6, A, B, 70);
  EXPECT_EQ(3, table.Busiest()->SrcPort);
  table.RecordFlow(1, 9, A, B, 20);
  EXPECT_EQ(1, table.Busiest()->SrcPort);
}

TEST(FlowTable, CountsBeyondFourGibibytesInOneInterval) {
  // A 10 Gbit/s link and a 60 s interval: one flow can carry 75 GB.
  FlowTable table;
  table.RecordFlow(1000, 80, A, B, 0xFFFFFFFFu);
  table.RecordFlow(5000, 443, C, D, 1000);
  table.RecordFlow(1000, 80, A, B, 2);        // by its source port
  table.RecordFlow(7, 80, C, D, 0xFFFFFFFFu); // by its destination port
  EXPECT_EQ(table.List()[0].Bytes, 0x1FFFFFFFFull + 1);
  EXPECT_EQ(table.Busiest()->SrcPort, 1000);
  EXPECT_EQ(table.Busiest()->Bytes, 0x200000000ull);

  // The next interval starts from nothing.
  table.Clear();
  table.RecordFlow(1000, 80, A, B, 10);
  table.RecordFlow(5000, 443, C, D, 20);
  EXPECT_EQ(table.List()[0].Bytes, 10u);
  EXPECT_EQ(table.Busiest()->SrcPort, 5000);
}

TEST(FlowTable, StalePortsOfAClearedIntervalDoNotMatch) {
  FlowTable table;
  table.RecordFlow(1000, 80, A, B, 10);
  table.RecordFlow(2000, 443, A, B, 10);
  table.Clear();
  // Fresh interval: the first entry sits where 1000->80 used to, the second
  // where 2000->443 was; neither may be found through the old ports.
  table.RecordFlow(5000, 6000, C, D, 1);
  table.RecordFlow(2000, 7000, C, D, 2);
  table.RecordFlow(8000, 80, C, D, 4);
  ASSERT_EQ(3u, table.size());
  EXPECT_EQ(1u, table.List()[0].Bytes);
  EXPECT_EQ(2u, table.List()[1].Bytes);
  EXPECT_EQ(4u, table.List()[2].Bytes);
}

TEST(FlowTable, HoldsAnEntryForEverySourcePort) {
  FlowTable table;
  for (unsigned port = 0; port < 65536; ++port)
    table.RecordFlow(static_cast<std::uint16_t>(port), static_cast<std::uint16_t>(port), A, B, 1);
  ASSERT_EQ(65536u, table.size());
  // The last entry's position needs all 16 bits of the port slots.
  table.RecordFlow(65535, 0, A, B, 10);
  EXPECT_EQ(11u, table.List()[65535].Bytes);
  EXPECT_EQ(11u, table.List()[0].Bytes);
  EXPECT_EQ(0, table.Busiest()->SrcPort);
}

} // namespace
