#include "tools/synthetic_frames.h"

#include <cstring>

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
  out[at] = static_cast<std::uint8_t>(value >> 8);
  out[at + 1] = static_cast<std::uint8_t>(value);
}

void SetEthernet(std::vector<std::uint8_t>& out, std::uint16_t type) {
  for (std::size_t i = 0; i < 12; ++i)
    out[i] = static_cast<std::uint8_t>(i < 6 ? 0x02 : 0x04);
  PutU16(out, 12, type);
}

} // namespace

std::vector<std::uint8_t> MakeIpv4Frame(const Ipv4Frame& frame) {
  const std::size_t ipLength = frame.HeaderWords * 4u;
  const std::size_t transport = frame.Protocol == 6 ? 20 : frame.Protocol == 17 ? 8 : 8;
  std::vector<std::uint8_t> out(14 + ipLength + transport, 0);
  SetEthernet(out, 0x0800);
  out[14] = static_cast<std::uint8_t>(0x40 | (frame.HeaderWords & 0x0F));
  out[22] = 64; // TTL
  out[23] = frame.Protocol;
  std::memcpy(&out[26], frame.Src, 4);
  std::memcpy(&out[30], frame.Dst, 4);
  const std::size_t at = 14 + ipLength;
  if (frame.Protocol == 6 || frame.Protocol == 17) {
    PutU16(out, at, frame.SrcPort);
    PutU16(out, at + 2, frame.DstPort);
    if (frame.Protocol == 6) out[at + 12] = 0x50; // TCP data offset 5
  } else {
    out[at] = 8; // ICMP echo request
  }
  return out;
}

std::vector<std::uint8_t> MakeArpFrame() {
  std::vector<std::uint8_t> out(42, 0);
  SetEthernet(out, 0x0806);
  return out;
}

std::vector<std::uint8_t> MakeIpv6Frame() {
  std::vector<std::uint8_t> out(62, 0);
  SetEthernet(out, 0x86DD);
  out[14] = 0x60;
  out[20] = 17;
  return out;
}

PcapWriter::PcapWriter(const std::string& path, bool nanoseconds) : Nanoseconds(nanoseconds) {
  File = std::fopen(path.c_str(), "wb");
  if (File == nullptr) {
    Failed = true;
    return;
  }
  // Host byte order; readers recognise it by the magic number.
  const std::uint32_t magic = nanoseconds ? 0xA1B23C4Du : 0xA1B2C3D4u;
  const std::uint16_t version[2] = {2, 4};
  const std::uint32_t rest[4] = {0, 0, 65535, 1}; // zone, accuracy, snapshot length, Ethernet
  Failed = std::fwrite(&magic, 4, 1, File) != 1 || std::fwrite(version, 2, 2, File) != 2 ||
           std::fwrite(rest, 4, 4, File) != 4;
}

PcapWriter::~PcapWriter() { Close(); }

void PcapWriter::Write(std::uint64_t time, std::uint32_t len, const std::vector<std::uint8_t>& bytes) {
  if (File == nullptr) return;
  const std::uint32_t fraction = Nanoseconds ? static_cast<std::uint32_t>(time % 1'000'000'000)
                                             : static_cast<std::uint32_t>(time % 1'000'000'000 / 1000);
  const std::uint32_t header[4] = {static_cast<std::uint32_t>(time / 1'000'000'000), fraction,
                                   static_cast<std::uint32_t>(bytes.size()), len};
  if (std::fwrite(header, 4, 4, File) != 4 ||
      (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), File) != bytes.size()))
    Failed = true;
}

bool PcapWriter::Close() {
  if (File == nullptr) return !Failed;
  if (std::fclose(File) != 0) Failed = true;
  File = nullptr;
  return !Failed;
}
