// Arbitrary packets of every link type through the per-packet accounting and
// the interval's flow table: no read past the captured bytes, and the counters
// and flows keep the properties the sampler and the graph rely on.
//
// Input: 4 bytes of the adapter's IPv4 address, then records of
//   flags (bit 0: a sample boundary before this packet; bits 1-3: the link
//   type, 0 Ethernet, 1 DLT_NULL, 2 DLT_LOOP, 3 raw IP, 4 Linux cooked, others
//   unknown; bit 4: IPv6 switched on), len (4 bytes, little endian), caplen
//   (1 byte, cut to what is left), caplen packet bytes.
// The adapter's IPv6 addresses are fd00::10 and the IPv4 address mapped into
// IPv6 (::ffff:a.b.c.d).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/flow_table.h"
#include "capture/packet_accounting.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "packet_fuzzer: %s\n", what);
  std::abort();
}

struct Reader {
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Pos = 0;
  std::size_t Left() const { return Size - Pos; }
  std::uint8_t Byte() { return Pos < Size ? Data[Pos++] : 0; }
};

constexpr LinkKind Links[] = {LinkKind::Ethernet,    LinkKind::Null,    LinkKind::Loop,    LinkKind::Raw,
                              LinkKind::LinuxCooked, LinkKind::Unknown, LinkKind::Unknown, LinkKind::Unknown};

enum class Family { None, V4, V6 };

struct Announced {
  Family Kind = Family::None;
  std::uint32_t Header = 0; // where the IP header starts
};

// What the link header says the packet is, read as the adapters write it.
Announced Announce(LinkKind link, const std::uint8_t* b, std::uint32_t caplen) {
  auto fromType = [](unsigned type, std::uint32_t header) {
    return Announced{type == 0x0800 ? Family::V4 : type == 0x86DD ? Family::V6 : Family::None, header};
  };
  auto fromFamily = [](std::uint32_t family) {
    return Announced{family == 2                                    ? Family::V4
                     : family == 24 || family == 28 || family == 30 ? Family::V6
                                                                    : Family::None,
                     4};
  };
  switch (link) {
  case LinkKind::Ethernet: return caplen >= 14 ? fromType(b[12] * 256u + b[13], 14) : Announced{};
  case LinkKind::LinuxCooked: return caplen >= 16 ? fromType(b[14] * 256u + b[15], 16) : Announced{};
  case LinkKind::Null:
    if (caplen < 4) return {};
    if (b[2] == 0 && b[3] == 0) return fromFamily(b[0] + 256u * b[1]); // little-endian
    return fromFamily(b[3] + 256u * b[2] + 65536u * b[1] + 16777216u * b[0]);
  case LinkKind::Loop:
    return caplen >= 4 ? fromFamily(b[3] + 256u * b[2] + 65536u * b[1] + 16777216u * b[0]) : Announced{};
  case LinkKind::Raw:
    if (caplen < 1) return {};
    return {b[0] >> 4 == 4 ? Family::V4 : b[0] >> 4 == 6 ? Family::V6 : Family::None, 0};
  case LinkKind::Unknown: break;
  }
  return {};
}

bool IsLocal6(const AccountingSetup& setup, const std::uint8_t* address) {
  for (const Ipv6Bytes& local : setup.LocalIpv6)
    if (std::memcmp(local.data(), address, 16) == 0) return true;
  return false;
}

// The direction the packet must have been given (0 none, 1 in, 2 out), and
// whether it may have made a flow, from the packet alone.
void CheckAgainstPacket(const AccountingSetup& setup, const std::uint8_t* bytes, std::uint32_t caplen,
                        std::uint32_t len, int direction, const ConnectionEntry* created) {
  const Announced packet = Announce(setup.Link, bytes, caplen);
  int expected = 0;
  bool mayRecord = false;
  const std::uint32_t h = packet.Header;
  if (packet.Kind == Family::V4 && caplen >= h + 24) {
    const std::uint8_t *src = bytes + h + 12, *dst = bytes + h + 16;
    expected = std::memcmp(dst, setup.LocalIpv4, 4) == 0   ? 1
               : std::memcmp(src, setup.LocalIpv4, 4) == 0 ? 2
                                                           : 0;
    mayRecord = true;
    if (created != nullptr &&
        (created->Version != IpVersion::V4 || std::memcmp(created->SrcAddress, src, 4) != 0 ||
         std::memcmp(created->DstAddress, dst, 4) != 0))
      Fail("an IPv4 flow named other than by its packet");
  } else if (packet.Kind == Family::V6 && setup.Ipv6 && caplen >= h + 40) {
    const std::uint8_t *src = bytes + h + 8, *dst = bytes + h + 24;
    expected = IsLocal6(setup, dst) ? 1 : IsLocal6(setup, src) ? 2 : 0;
    mayRecord = true;
    if (created != nullptr &&
        (created->Version != IpVersion::V6 || std::memcmp(created->SrcAddress, src, 16) != 0 ||
         std::memcmp(created->DstAddress, dst, 16) != 0))
      Fail("an IPv6 flow named other than by its packet");
  }
  // A zero-length packet changes no counter, whatever it was given.
  if (len != 0 && direction != expected) Fail("a packet counted in the wrong direction");
  if (created != nullptr && !mayRecord) Fail("a flow from a packet that cannot have one");
}

// Properties of the table after each packet, given the table before it.
void CheckFlows(const std::vector<ConnectionEntry>& before, const FlowTable& flows, std::uint32_t len) {
  const std::vector<ConnectionEntry>& after = flows.List();
  if (after.size() < before.size() || after.size() > before.size() + 1)
    Fail("flow table shrank or grew by more");
  int touched = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const ConnectionEntry &a = before[i], &b = after[i];
    if (a.SrcPort != b.SrcPort || a.DstPort != b.DstPort || a.Version != b.Version ||
        std::memcmp(a.SrcAddress, b.SrcAddress, 16) != 0 || std::memcmp(a.DstAddress, b.DstAddress, 16) != 0)
      Fail("an existing flow changed its identity or order");
    if (b.Bytes == a.Bytes) continue;
    if (b.Bytes != a.Bytes + len) Fail("a flow grew by something else than len");
    ++touched;
  }
  // A packet adds to the entry with its source port and the one with its
  // destination port (at most two), or creates one when neither exists.
  if (after.size() > before.size()) {
    if (touched != 0 && len != 0) Fail("a new flow although an existing one matched");
    if (after.back().Bytes != len) Fail("a new flow does not start with len");
  } else if (touched > 2) {
    Fail("a packet added to more than two flows");
  }
  // At most one entry per source port and one per destination port.
  for (std::size_t i = 0; i < after.size(); ++i)
    for (std::size_t j = i + 1; j < after.size(); ++j)
      if (after[i].SrcPort == after[j].SrcPort || after[i].DstPort == after[j].DstPort)
        Fail("two flows share a port");
  // The busiest flow: largest byte count, the earliest on a tie.
  const ConnectionEntry* busiest = flows.Busiest();
  if (after.empty() != (busiest == nullptr)) Fail("busiest flow of an empty table");
  if (busiest != nullptr) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < after.size(); ++i)
      if (after[i].Bytes > after[best].Bytes) best = i;
    const ConnectionEntry& b = after[best];
    if (busiest->SrcPort != b.SrcPort || busiest->DstPort != b.DstPort || busiest->Bytes != b.Bytes ||
        busiest->Version != b.Version || std::memcmp(busiest->SrcAddress, b.SrcAddress, 16) != 0)
      Fail("wrong busiest flow");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  AccountingSetup setup;
  for (std::uint8_t& b : setup.LocalIpv4)
    b = in.Byte();
  setup.LocalIpv6 = {{0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10},
                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, setup.LocalIpv4[0], setup.LocalIpv4[1],
                      setup.LocalIpv4[2], setup.LocalIpv4[3]}};

  IntervalCounters counters;
  // One table for the whole run, emptied per input as the sampler empties it
  // per interval: its indexes are built once, as in the program.
  static FlowTable flows;
  flows.Clear();
  std::uint64_t expectedBytes = 0;
  for (int packet = 0; packet < 64 && in.Left() > 0; ++packet) {
    const std::uint8_t flags = in.Byte();
    std::uint32_t len = 0;
    for (int i = 0; i < 4; ++i)
      len |= static_cast<std::uint32_t>(in.Byte()) << (8 * i);
    std::uint32_t caplen = in.Byte();
    if (caplen > in.Left()) caplen = static_cast<std::uint32_t>(in.Left());
    // An allocation of exactly caplen bytes: any read beyond them is reported.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[caplen]);
    std::memcpy(bytes.get(), data + in.Pos, caplen);
    in.Pos += caplen;

    if (flags & 1) {
      counters = IntervalCounters{};
      flows.Clear();
      expectedBytes = 0;
      if (!flows.empty() || flows.size() != 0 || flows.Busiest() != nullptr) Fail("cleared table not empty");
    }
    setup.Link = Links[flags >> 1 & 7];
    setup.Ipv6 = (flags & 0x10) != 0;
    const std::vector<ConnectionEntry> before = flows.List();
    const IntervalCounters old = counters;
    AccountPacket(counters, flows, setup, caplen, len, bytes.get());
    expectedBytes += len;

    if (counters.Bytes != expectedBytes) Fail("total is not the sum of wire lengths");
    const std::uint64_t in_ = counters.BytesIn - old.BytesIn, out = counters.BytesOut - old.BytesOut;
    if (!((in_ == 0 && out == 0) || (in_ == len && out == 0) || (in_ == 0 && out == len)))
      Fail("a packet counted other than once as incoming or outgoing");
    if (counters.BytesIn + counters.BytesOut > counters.Bytes) Fail("in + out exceed the total");
    CheckFlows(before, flows, len);
    const bool created = flows.size() > before.size();
    CheckAgainstPacket(setup, bytes.get(), caplen, len,
                       in_ != 0   ? 1
                       : out != 0 ? 2
                                  : 0,
                       created ? &flows.List().back() : nullptr);
  }
  return 0;
}
