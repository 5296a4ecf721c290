// bytwacht-replay: intervals cut by time stamps, the program's arithmetic on
// them, the CSV, and its answers to bad input.
#include "tools/replay_file.h"
#include "tools/replay_options.h"
#include "tools/synthetic_frames.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/text_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::uint64_t Second = 1'000'000'000;
constexpr std::uint64_t T0 = 1'700'000'000 * Second + 123'456'789;

struct Packet {
  std::uint64_t Time;
  std::uint32_t Len;
  std::vector<std::uint8_t> Bytes;
};

std::vector<std::uint8_t> Udp(std::array<std::uint8_t, 4> src, std::array<std::uint8_t, 4> dst,
                              std::uint16_t srcPort, std::uint16_t dstPort) {
  Ipv4Frame frame;
  for (int i = 0; i < 4; ++i) {
    frame.Src[i] = src[static_cast<std::size_t>(i)];
    frame.Dst[i] = dst[static_cast<std::size_t>(i)];
  }
  frame.SrcPort = srcPort;
  frame.DstPort = dstPort;
  return MakeIpv4Frame(frame);
}

const std::array<std::uint8_t, 4> Local = {192, 168, 1, 10}, Remote = {8, 8, 4, 4}, Other = {10, 1, 1, 1};

class Replay : public testing::Test {
protected:
  testsupport::TempDir Dir;
  std::string Path = WideToNarrow(Dir.File(L"capture.pcap"));

  // The packets as Ethernet frames; with another link type each is put
  // behind that link header instead.
  void WriteCapture(const std::vector<Packet>& packets, bool nanoseconds = true,
                    int linkType = LinkEthernet) {
    PcapWriter writer(Path, nanoseconds, linkType);
    ASSERT_TRUE(writer.ok());
    for (const Packet& p : packets)
      writer.Write(p.Time, p.Len, Reframe(p.Bytes, linkType));
    ASSERT_TRUE(writer.Close());
  }

  // The CSV lines after the header; fails the test on an error.
  std::vector<std::string> Run(std::vector<std::string> args) {
    args.push_back(Path);
    ReplayOptions options;
    EXPECT_EQ("", ParseReplayOptions(args, options));
    std::FILE* out = std::tmpfile();
    EXPECT_EQ("", ReplayFile(options, out));
    std::rewind(out);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
      text.append(buffer, n);
    std::fclose(out);
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
      lines.push_back(line);
    EXPECT_FALSE(lines.empty());
    if (!lines.empty()) {
      EXPECT_EQ("sample,total,in,out,other,average,top_src_port,top_dst_port,top_src_host,top_dst_host",
                lines.front());
      lines.erase(lines.begin());
    }
    return lines;
  }
};

TEST_F(Replay, CutsIntervalsByTimeStampsFromTheFirstPacket) {
  WriteCapture({
      {T0, 1000, Udp(Remote, Local, 53, 40000)},             // sample 0: in
      {T0 + Second - 1, 500, Udp(Local, Remote, 40000, 53)}, // last nanosecond of sample 0: out
      {T0 + Second, 300, Udp(Other, Remote, 1111, 2222)},    // first nanosecond of sample 1: other hosts
      {T0 + Second + 5, 60, MakeArpFrame()},                 // not IPv4
      {T0 + 4 * Second + 7, 100, Udp(Remote, Local, 53, 9)}, // after two empty intervals; the last one
  });
  const std::vector<std::string> lines = Run({"--local", "192.168.1.10", "--avg-time", "0"});
  const std::vector<std::string> expected = {
      "0,1500,1000,500,0,0,53,40000,8.8.4.4,192.168.1.10", "1,360,0,0,360,1500,1111,2222,10.1.1.1,8.8.4.4",
      "2,0,0,0,0,930,1111,2222,10.1.1.1,8.8.4.4", // an empty interval keeps the busiest flow
      "3,0,0,0,0,620,1111,2222,10.1.1.1,8.8.4.4",          "4,100,100,0,0,465,53,9,8.8.4.4,192.168.1.10",
  };
  EXPECT_EQ(expected, lines);
}

TEST_F(Replay, RatesAndAveragesFollowTheConfiguredInterval) {
  // 500 ms intervals: rates are twice the bytes; with AvgTime 1 s the window is
  // two samples, and the sampler divides their sum by that window.
  WriteCapture({{T0, 1000, Udp(Remote, Local, 1, 2)},
                {T0 + Second / 2, 3000, Udp(Remote, Local, 1, 2)},
                {T0 + Second, 5000, Udp(Remote, Local, 1, 2)},
                {T0 + 3 * Second / 2, 10, Udp(Remote, Local, 1, 2)}},
               false);
  const std::vector<std::string> lines = Run({"--interval", "500", "--avg-time", "1"});
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("0,2000,0,0,2000,0,1,2,8.8.4.4,192.168.1.10", lines[0]); // no --local: all is other
  EXPECT_EQ("1,6000,0,0,6000,0,1,2,8.8.4.4,192.168.1.10", lines[1]); // AvgTime 1: no average
  EXPECT_EQ("3,20,0,0,20,0,1,2,8.8.4.4,192.168.1.10", lines[3]);

  const std::vector<std::string> averaged = Run({"--interval", "500", "--avg-time", "1", "--avg-time", "2"});
  EXPECT_EQ("1,6000,0,0,6000,2000,1,2,8.8.4.4,192.168.1.10", averaged[1]); // n=1 < window 4
  EXPECT_EQ("3,20,0,0,20,6000,1,2,8.8.4.4,192.168.1.10", averaged[3]);     // (2000 + 6000 + 10000) / 3
}

TEST_F(Replay, PacketsWithEarlierTimeStampsCountInTheCurrentInterval) {
  WriteCapture({{T0, 100, Udp(Remote, Local, 1, 2)},
                {T0 + 2 * Second, 200, Udp(Remote, Local, 1, 2)},
                {T0 + Second / 2, 400, Udp(Remote, Local, 1, 2)}, // goes back in time
                {T0 - Second, 800, Udp(Remote, Local, 1, 2)}});   // before the first packet
  const std::vector<std::string> lines = Run({"--local", "192.168.1.10"});
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("2,1400,1400,0,0,50,1,2,8.8.4.4,192.168.1.10", lines[2]);
}

TEST_F(Replay, TimeStampsYearsApartAreRefusedNotExpanded) {
  // A damaged time stamp would otherwise mean tens of millions of empty lines.
  WriteCapture({{T0, 100, Udp(Remote, Local, 1, 2)}, {T0 + 30'000 * Second, 100, Udp(Remote, Local, 1, 2)}});
  ReplayOptions options;
  ASSERT_EQ("", ParseReplayOptions({"--interval", "1", Path}, options));
  std::FILE* out = std::tmpfile();
  EXPECT_NE(std::string::npos, ReplayFile(options, out).find("time stamps span"));
  EXPECT_LT(std::ftell(out), 1000); // the header, nothing more
  std::fclose(out);
}

std::vector<std::uint8_t> Udp6(const char* src, const char* dst, std::uint16_t srcPort, std::uint16_t dstPort,
                               std::vector<std::uint8_t> extensions = {}) {
  Ipv6Frame frame;
  EXPECT_EQ(1, inet_pton(AF_INET6, src, frame.Src));
  EXPECT_EQ(1, inet_pton(AF_INET6, dst, frame.Dst));
  frame.SrcPort = srcPort;
  frame.DstPort = dstPort;
  frame.Extensions = std::move(extensions);
  return MakeIpv6Frame(frame);
}

// The same traffic, IPv4 and IPv6, captured on every kind of adapter.
const std::vector<Packet> MixedTraffic = {
    {T0, 1000, Udp(Remote, Local, 53, 40000)},
    {T0 + 1, 3000, Udp6("2001:db8::53", "fd00::10", 443, 50000, {0, 44})},
    {T0 + 2, 500, Udp6("fe80::1", "2001:db8:0:0:1::1", 50000, 443)},
    {T0 + 3, 200, Udp6("2001:db8::53", "2001:db8::54", 1, 2)},
    {T0 + 4, 60, MakeArpFrame()},
    {T0 + Second, 100, Udp(Local, Remote, 40000, 53)},
};

TEST_F(Replay, EveryLinkTypeGivesTheSameSamples) {
  const std::vector<std::string> expected = {
      "0,4760,4000,500,260,0,443,50000,2001:db8::53,fd00::10",
      "1,100,0,100,0,4760,40000,53,192.168.1.10,8.8.4.4",
  };
  for (int link : {LinkEthernet, LinkNull, LinkLoop, LinkRaw, LinkLinuxCooked}) {
    SCOPED_TRACE(link);
    WriteCapture(MixedTraffic, true, link);
    EXPECT_EQ(expected, Run({"--local", "192.168.1.10", "--local6", "fd00::10", "--local6", "fe80::1",
                             "--avg-time", "0"}));
  }
  // Without --local6, IPv6 is other traffic and makes no flows.
  WriteCapture(MixedTraffic, true, LinkRaw);
  const std::vector<std::string> ipv4Only = Run({"--local", "192.168.1.10"});
  ASSERT_FALSE(ipv4Only.empty());
  EXPECT_EQ("0,4760,1000,0,3760,0,53,40000,8.8.4.4,192.168.1.10", ipv4Only[0]);
}

// The smallest pcapng file libpcap reads: a section header, one interface
// (microsecond time stamps) and enhanced packet blocks.
std::string PcapNg(int linkType, const std::vector<Packet>& packets) {
  std::string out;
  auto u32 = [&](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  u32(0x0A0D0D0A), u32(28), u32(0x1A2B3C4D), u16(1), u16(0), u32(0xFFFFFFFF), u32(0xFFFFFFFF), u32(28);
  u32(1), u32(20), u16(static_cast<std::uint16_t>(linkType)), u16(0), u32(65535), u32(20);
  for (const Packet& p : packets) {
    const std::vector<std::uint8_t> bytes = Reframe(p.Bytes, linkType);
    const std::uint32_t padded = (static_cast<std::uint32_t>(bytes.size()) + 3) / 4 * 4;
    const std::uint64_t micros = p.Time / 1000;
    u32(6), u32(32 + padded), u32(0), u32(static_cast<std::uint32_t>(micros >> 32));
    u32(static_cast<std::uint32_t>(micros)), u32(static_cast<std::uint32_t>(bytes.size())), u32(p.Len);
    out.append(bytes.begin(), bytes.end());
    out.append(padded - bytes.size(), '\0');
    u32(32 + padded);
  }
  return out;
}

TEST_F(Replay, ReadsPcapNg) {
  ASSERT_TRUE(testsupport::WriteBytes(Dir.File(L"capture.pcap"), PcapNg(LinkLoop, MixedTraffic)));
  const std::vector<std::string> lines = Run({"--local", "192.168.1.10", "--local6", "fd00::10"});
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("0,4760,4000,0,760,0,443,50000,2001:db8::53,fd00::10", lines[0]);
}

TEST_F(Replay, ReadsCapturesLongerThanItsReadBuffer) {
  // About 170 KB, so packet records straddle several refills of the buffer.
  std::vector<Packet> packets;
  std::uint64_t totals[3] = {};
  for (std::uint32_t i = 0; i < 3000; ++i) {
    const std::uint32_t len = 100 + i % 7;
    packets.push_back({T0 + i * (Second / 1000), len, Udp(Remote, Local, 1, 2)});
    totals[i / 1000] += len;
  }
  WriteCapture(packets);
  const std::vector<std::string> lines = Run({"--local", "192.168.1.10"});
  ASSERT_EQ(3u, lines.size());
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ(std::to_string(k) + "," + std::to_string(totals[k]) + "," + std::to_string(totals[k]),
              lines[k].substr(0, lines[k].find(",0,")));
}

TEST_F(Replay, EmptyCaptureGivesTheHeaderOnly) {
  WriteCapture({});
  EXPECT_TRUE(Run({}).empty());
}

TEST(ReplayOptions, AcceptsTheDocumentedForms) {
  ReplayOptions options;
  ASSERT_EQ("",
            ParseReplayOptions({"--local", "10.0.0.255", "--interval", "1500", "--avg-time", "3600",
                                "--resolve", "--local6", "::1", "--local6", "::ffff:10.0.0.1", "cap.pcap"},
                               options));
  ASSERT_EQ(2u, options.LocalIpv6.size());
  EXPECT_EQ(1, options.LocalIpv6[0][15]);
  EXPECT_EQ(0xff, options.LocalIpv6[1][10]);
  EXPECT_EQ(10, options.LocalIpv6[1][12]);
  EXPECT_EQ(10, options.LocalAddress[0]);
  EXPECT_EQ(255, options.LocalAddress[3]);
  EXPECT_EQ(1500u, options.IntervalMs);
  EXPECT_EQ(3600, options.AvgTime);
  EXPECT_TRUE(options.Resolve);
  EXPECT_EQ("cap.pcap", options.File);

  ReplayOptions defaults;
  ASSERT_EQ("", ParseReplayOptions({"x.pcap"}, defaults));
  EXPECT_EQ(1000u, defaults.IntervalMs);
  EXPECT_EQ(60, defaults.AvgTime);
  EXPECT_FALSE(defaults.Resolve);
  EXPECT_TRUE(defaults.LocalIpv6.empty());
}

TEST(ReplayOptions, RejectsBadCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--interval", "0", "f"},
      {"--interval", "-5", "f"},
      {"--interval", "12ms", "f"},
      {"--interval", "99999999999999999999", "f"},
      {"--interval"},
      {"f", "--avg-time"},
      {"--avg-time", "-1", "f"},
      {"--local", "1.2.3", "f"},
      {"--local", "1.2.3.256", "f"},
      {"--local", "1.2.3.4.5", "f"},
      {"--local", "1..3.4", "f"},
      {"--local", " 1.2.3.4", "f"},
      {"--local6", "fd00::1::2", "f"},
      {"--local6", "fe80::1%eth0", "f"},
      {"--local6", "1.2.3.4", "f"},
      {"--local6", "", "f"},
      {"f", "--local6"},
      {"--verbose", "f"},
      {"a.pcap", "b.pcap"},
  };
  for (const std::vector<std::string>& args : bad) {
    ReplayOptions options;
    std::string joined;
    for (const std::string& a : args)
      joined += a + " ";
    EXPECT_NE("", ParseReplayOptions(args, options)) << joined;
  }
}

// The tool as a process: exit code and the one line on stderr.
struct ProcessResult {
  int ExitCode = -1;
  std::string Stdout;
  std::string Stderr;
};

ProcessResult RunTool(const std::string& arguments, const std::string& errFile) {
  ProcessResult result;
  const std::string command = std::string(BYTWACHT_REPLAY_PATH) + " " + arguments + " 2>" + errFile;
  std::FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.Stdout.append(buffer, n);
  const int status = pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  testsupport::ReadBytes(NarrowToWide(errFile), result.Stderr);
  return result;
}

void ExpectOneLineError(const ProcessResult& result) {
  EXPECT_EQ(2, result.ExitCode);
  ASSERT_FALSE(result.Stderr.empty());
  EXPECT_EQ(result.Stderr.size() - 1, result.Stderr.find('\n')) << result.Stderr;
}

TEST_F(Replay, BadInputEndsWithExitCode2AndOneLine) {
  const std::string err = WideToNarrow(Dir.File(L"stderr.txt"));
  ExpectOneLineError(RunTool("--interval 0 " + Path, err));
  ExpectOneLineError(RunTool("--local6 fd00:::1 " + Path, err));
  ExpectOneLineError(RunTool(WideToNarrow(Dir.File(L"missing.pcap")), err));

  ASSERT_TRUE(testsupport::WriteBytes(Dir.File(L"capture.pcap"), std::string(200, 'x')));
  ExpectOneLineError(RunTool(Path, err));

  // A packet record cut off in the middle: the samples before it may already be
  // out, but the run must not pass for a success.
  WriteCapture({{T0, 100, Udp(Remote, Local, 1, 2)}, {T0 + 3 * Second, 100, Udp(Remote, Local, 1, 2)}});
  std::string bytes;
  ASSERT_TRUE(testsupport::ReadBytes(Dir.File(L"capture.pcap"), bytes));
  bytes.resize(bytes.size() - 10);
  ASSERT_TRUE(testsupport::WriteBytes(Dir.File(L"capture.pcap"), bytes));
  ExpectOneLineError(RunTool(Path, err));

  WriteCapture({{T0, 100, Udp(Remote, Local, 1, 2)}});
  const ProcessResult good = RunTool("--local 192.168.1.10 " + Path, err);
  EXPECT_EQ(0, good.ExitCode);
  EXPECT_EQ("", good.Stderr);
  EXPECT_NE(std::string::npos, good.Stdout.find("\n0,100,100,0,0,0,1,2,8.8.4.4,192.168.1.10\n"));
}

} // namespace
