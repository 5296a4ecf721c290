// Arbitrary packets through the per-packet accounting and the interval's flow
// table: no read past the captured bytes, and the counters and flows keep the
// properties the sampler and the graph rely on.
//
// Input: 4 bytes of the adapter's address, then records of
//   flags (bit 0: a sample boundary before this packet), len (4 bytes, little
//   endian), caplen (1 byte, cut to what is left), caplen packet bytes.
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

// Properties of the table after each packet, given the table before it.
void CheckFlows(const std::vector<ConnectionEntry>& before, const FlowTable& flows, std::uint32_t len) {
  const std::vector<ConnectionEntry>& after = flows.List();
  if (after.size() < before.size() || after.size() > before.size() + 1)
    Fail("flow table shrank or grew by more");
  int touched = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const ConnectionEntry &a = before[i], &b = after[i];
    if (a.SrcPort != b.SrcPort || a.DstPort != b.DstPort || std::memcmp(a.SrcAddress, b.SrcAddress, 4) != 0 ||
        std::memcmp(a.DstAddress, b.DstAddress, 4) != 0)
      Fail("an existing flow changed its identity or order");
    if (b.Bytes == a.Bytes) continue;
    if (b.Bytes != static_cast<std::uint32_t>(a.Bytes + len)) Fail("a flow grew by something else than len");
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
    if (std::memcmp(busiest, &after[best], sizeof(ConnectionEntry)) != 0) Fail("wrong busiest flow");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  std::uint8_t local[4];
  for (std::uint8_t& b : local)
    b = in.Byte();

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
    const std::vector<ConnectionEntry> before = flows.List();
    const IntervalCounters old = counters;
    AccountPacket(counters, flows, local, caplen, len, bytes.get());
    expectedBytes += len;

    if (counters.Bytes != expectedBytes) Fail("total is not the sum of wire lengths");
    const std::uint64_t in_ = counters.BytesIn - old.BytesIn, out = counters.BytesOut - old.BytesOut;
    if (!((in_ == 0 && out == 0) || (in_ == len && out == 0) || (in_ == 0 && out == len)))
      Fail("a packet counted other than once as incoming or outgoing");
    if (counters.BytesIn + counters.BytesOut > counters.Bytes) Fail("in + out exceed the total");
    if (caplen < 38 && (in_ != 0 || out != 0 || flows.size() != before.size()))
      Fail("a frame shorter than 38 bytes was classified");
    CheckFlows(before, flows, len);
  }
  return 0;
}
