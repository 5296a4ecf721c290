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

std::vector<std::uint8_t> MakeIpv6Frame(const Ipv6Frame& frame) {
  const std::size_t transport = frame.Protocol == 6 ? 20 : 8;
  std::vector<std::uint8_t> out(14 + 40 + 8 * frame.Extensions.size() + transport, 0);
  SetEthernet(out, 0x86DD);
  out[14] = 0x60;
  PutU16(out, 18, static_cast<std::uint16_t>(out.size() - 54)); // payload length
  out[21] = 64;                                                 // hop limit
  std::memcpy(&out[22], frame.Src, 16);
  std::memcpy(&out[38], frame.Dst, 16);
  std::size_t nextHeaderField = 20;
  std::size_t at = 54;
  for (std::uint8_t type : frame.Extensions) {
    out[nextHeaderField] = type;
    nextHeaderField = at;
    at += 8; // length byte 0: 8 bytes; a fragment's offset stays 0
  }
  out[nextHeaderField] = frame.Protocol;
  if (frame.Protocol == 6 || frame.Protocol == 17) {
    PutU16(out, at, frame.SrcPort);
    PutU16(out, at + 2, frame.DstPort);
    if (frame.Protocol == 6) out[at + 12] = 0x50;
  } else {
    out[at] = 128; // ICMPv6 echo request
  }
  return out;
}

std::vector<std::uint8_t> Reframe(const std::vector<std::uint8_t>& ethernet, int linkType) {
  if (linkType == LinkEthernet || ethernet.size() < 14) return ethernet;
  const std::uint16_t type = static_cast<std::uint16_t>(ethernet[12] << 8 | ethernet[13]);
  const bool ipv4 = type == 0x0800, ipv6 = type == 0x86DD;
  std::vector<std::uint8_t> header;
  switch (linkType) {
  case LinkNull: header = {static_cast<std::uint8_t>(ipv4 ? 2 : ipv6 ? 24 : 7), 0, 0, 0}; break;
  case LinkLoop: header = {0, 0, 0, static_cast<std::uint8_t>(ipv4 ? 2 : ipv6 ? 30 : 7)}; break;
  case LinkLinuxCooked:
    header.assign(16, 0);
    header[1] = 4; // sent by us
    header[5] = 6; // address length
    header[14] = ethernet[12];
    header[15] = ethernet[13];
    break;
  case LinkRaw:
    if (!ipv4 && !ipv6) return {0};
    break;
  default: break;
  }
  header.insert(header.end(), ethernet.begin() + 14, ethernet.end());
  return header;
}

PcapWriter::PcapWriter(const std::string& path, bool nanoseconds, int linkType) : Nanoseconds(nanoseconds) {
  File = std::fopen(path.c_str(), "wb");
  if (File == nullptr) {
    Failed = true;
    return;
  }
  // Host byte order; readers recognise it by the magic number.
  const std::uint32_t magic = nanoseconds ? 0xA1B23C4Du : 0xA1B2C3D4u;
  const std::uint16_t version[2] = {2, 4};
  const std::uint32_t rest[4] = {0, 0, 65535,
                                 static_cast<std::uint32_t>(linkType)}; // zone, accuracy, snapshot length
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
