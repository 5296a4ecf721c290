// Resident memory of a day's history: 86,400 samples at an interval of 1 s,
// each made by the engine's own sampler from packets that went through the
// packet handler, with the busiest flow's names from a few hundred hosts.
// The clock is played: a sampler's sleep returns once the interval's packets
// are in, so the day takes seconds.
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/name_resolver.h"
#include "platform/clock.h"
#include "settings/settings.h"

namespace {

constexpr int Day = 86'400;
constexpr int Early = 1'000; // the engine's fixed memory is in use by then
constexpr int PacketsPerInterval = 40;
constexpr int RemoteHosts = 300;
const std::uint8_t Local[4] = {192, 168, 1, 10};

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

struct Feed {
  std::mutex Mutex;
  std::condition_variable Changed;
  int Wanted = 0; // packets the capture loop is to deliver now
  bool Broken = false;
  bool Release = false; // lets the last sleep of the sampler return
  int Samples = 0;
  std::uint32_t Now = 0;
  std::mt19937 Random{7};
} feed;

// TCP between the local host and one of the remote hosts, either way.
std::vector<std::uint8_t> RandomFrame(std::mt19937& random) {
  std::vector<std::uint8_t> f(128, 0);
  f[12] = 0x08;
  std::uint8_t* ip = &f[14];
  ip[0] = 0x45;
  ip[3] = 114;
  ip[9] = 6;
  const unsigned host = random() % RemoteHosts;
  const std::uint8_t remote[4] = {10, 1, static_cast<std::uint8_t>(host >> 8),
                                  static_cast<std::uint8_t>(host)};
  const bool out = random() & 1;
  std::memcpy(ip + 12, out ? Local : remote, 4);
  std::memcpy(ip + 16, out ? remote : Local, 4);
  const unsigned localPort = 49152 + random() % 1000, remotePort = 443;
  const unsigned src = out ? localPort : remotePort, dst = out ? remotePort : localPort;
  ip[20] = static_cast<std::uint8_t>(src >> 8);
  ip[21] = static_cast<std::uint8_t>(src);
  ip[22] = static_cast<std::uint8_t>(dst >> 8);
  ip[23] = static_cast<std::uint8_t>(dst);
  return f;
}

PcapSocketAddress LocalAddress{PcapFamilyInet, {0, 0}, {192, 168, 1, 10}, {}};
PcapAddress Addresses{nullptr, &LocalAddress, nullptr, nullptr, nullptr};
char DeviceName[] = "bench0";
PcapDevice Device{nullptr, DeviceName, nullptr, &Addresses, 0};
int HandleStorage;

int FindAllDevs(PcapDevice** devices, char*) {
  *devices = &Device;
  return 0;
}
void FreeAllDevs(PcapDevice*) {}
PcapHandle* Open(const char*, int, int, int, void*, char*) {
  return reinterpret_cast<PcapHandle*>(&HandleStorage);
}
int Compile(PcapHandle*, PcapProgram*, const char*, int, std::uint32_t) { return 0; }
int SetFilter(PcapHandle*, PcapProgram*) { return 0; }
void FreeCode(PcapProgram*) {}
void Close(PcapHandle*) {}
int DataLink(PcapHandle*) { return 1; } // Ethernet
const char* LibVersion() { return "day_history"; }

int Dispatch(PcapHandle*, int, PcapHandler handler, unsigned char* user) {
  std::vector<std::vector<std::uint8_t>> frames;
  {
    std::unique_lock<std::mutex> lock(feed.Mutex);
    feed.Changed.wait(lock, [] { return feed.Wanted > 0 || feed.Broken; });
    if (feed.Broken) return PcapLoopBroken;
    for (int i = 0; i < feed.Wanted; ++i)
      frames.push_back(RandomFrame(feed.Random));
  }
  PcapPacketHeader header{};
  for (const auto& f : frames) {
    header.CapLen = static_cast<std::uint32_t>(f.size());
    header.Len = 60 + static_cast<std::uint32_t>(feed.Random() % 1400);
    handler(user, &header, f.data());
  }
  std::lock_guard<std::mutex> lock(feed.Mutex);
  feed.Wanted = 0;
  feed.Changed.notify_all();
  return static_cast<int>(frames.size());
}

void BreakLoop(PcapHandle*) {
  std::lock_guard<std::mutex> lock(feed.Mutex);
  feed.Broken = true;
  feed.Changed.notify_all();
}

const PcapFunctions Fake{FindAllDevs, FreeAllDevs, Open,      Compile, SetFilter, FreeCode,
                         Dispatch,    DataLink,    BreakLoop, Close,   LibVersion};

std::uint32_t Ticks() {
  std::lock_guard<std::mutex> lock(feed.Mutex);
  return feed.Now;
}

// The interval passes: its packets arrive, then the clock has moved on. After
// the day the sampler waits here until it is let go, and then stops.
bool Sleep(std::uint32_t milliseconds, const platform::StopSignal&) {
  std::unique_lock<std::mutex> lock(feed.Mutex);
  feed.Changed.wait(lock, [] { return feed.Samples < Day || feed.Release; });
  if (feed.Release) return true;
  feed.Wanted = PacketsPerInterval;
  feed.Changed.notify_all();
  feed.Changed.wait(lock, [] { return feed.Wanted == 0 || feed.Broken; });
  feed.Now += milliseconds;
  return false;
}

bool Resolve(IpVersion, const std::uint8_t* address, std::string& host) {
  host = "host-" + std::to_string(address[2]) + "-" + std::to_string(address[3]) + ".example.net";
  return true;
}

void OnSample() {
  std::lock_guard<std::mutex> lock(feed.Mutex);
  ++feed.Samples;
  feed.Changed.notify_all();
}

long ResidentAfter(int samples) {
  std::unique_lock<std::mutex> lock(feed.Mutex);
  feed.Changed.wait(lock, [&] { return feed.Samples >= samples; });
  return ResidentBytes();
}

} // namespace

int main() {
  SetPcapFunctions(&Fake);
  SetNameResolver(Resolve);
  platform::SetClockHooks(Ticks, Sleep);

  Settings settings;
  settings.DeviceName = L"bench0";
  settings.CaptureFilter = L"";
  settings.Interval = 1000;
  settings.AvgTime = 60;

  const long start = ResidentBytes();
  std::size_t records = 0;
  long early = 0, day = 0;
  {
    CaptureEngine engine;
    engine.Configure(nullptr, nullptr, &settings, OnSample,
                     CaptureEngine::ConfigureSettings | CaptureEngine::ConfigureOnSample);
    if (!engine.StartCapture(false)) {
      std::fprintf(stderr, "day_history: the capture did not start\n");
      return 1;
    }
    early = ResidentAfter(Early);
    day = ResidentAfter(Day);
    engine.LockData();
    records = engine.GetBPSData().size();
    engine.UnlockData();
    {
      std::lock_guard<std::mutex> lock(feed.Mutex);
      feed.Release = true;
      feed.Changed.notify_all();
    }
    engine.StopCapture();
  }
  const double mib = 1024.0 * 1024.0;
  const double history = static_cast<double>(day - early);
  std::printf("a day at 1 s through the sampler: %zu records, %d packets each interval\n", records,
              PacketsPerInterval);
  std::printf("  resident growth, whole run            %8.2f MiB\n", (day - start) / mib);
  std::printf("  resident growth, records %d-%d  %8.2f MiB (%.1f bytes per record)\n", Early, Day,
              history / mib, history / (Day - Early));
  const double dayHistory = history / (Day - Early) * Day;
  std::printf("  a day's history                       %8.2f MiB (target < 16 MiB: %s)\n", dayHistory / mib,
              dayHistory < 16 * mib ? "met" : "NOT met");
  return records >= static_cast<std::size_t>(Day) ? 0 : 1;
}
