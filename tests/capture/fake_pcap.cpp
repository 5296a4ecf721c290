#include "fake_pcap.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <type_traits>

namespace fakepcap {
namespace {

struct FakeHandle {
  bool Broken = false;
};

struct Frame {
  std::vector<std::uint8_t> Bytes;
  std::uint32_t WireLength;
};

struct State {
  std::mutex Mutex;
  std::condition_variable Changed;
  Behaviour Plan;
  Statistics Stats;
  std::deque<Frame> Queue;
  int InHandler = 0;
  bool FailRead = false;
  bool GateOpen = false;
  int OpenFailures = 0; // -1: all of them
  char Name0[8] = "other0";
  char Name1[8] = "fake0";
  char Name2[8] = "fake1";
  char Description[16] = "Fake adapter";
};

// The device list handed out by FindAllDevs: a list of its own for every
// call, as the real library gives, so that two threads may read theirs at once.
struct DeviceList {
  PcapDevice Devices[3]{}; // first: the list is freed by the address of its first device
  PcapAddress Addresses[2]{};
  PcapSocketAddress6 Ipv6Address{};
  PcapSocketAddress Ipv4Address{};
};
static_assert(std::is_standard_layout_v<DeviceList>);

State& S() {
  static State state;
  return state;
}

int FindAllDevs(PcapDevice** devices, char* errorBuffer) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.Enumerations;
  if (s.Plan.EnumerationFails) {
    std::strcpy(errorBuffer, "no devices");
    return -1;
  }
  // "other0" first, then "fake0" with an IPv6 address (a sockaddr_in6, as the
  // library hands it out) before its IPv4 one, then "fake1" without any.
  auto* list = new DeviceList;
  list->Ipv6Address.Family = PcapFamilyInet6;
  std::memcpy(list->Ipv6Address.Address, s.Plan.Ipv6Address, 16);
  list->Ipv4Address.Family = PcapFamilyInet;
  std::memcpy(list->Ipv4Address.Address, s.Plan.Address, 4);
  list->Addresses[0] = {&list->Addresses[1], reinterpret_cast<PcapSocketAddress*>(&list->Ipv6Address),
                        nullptr, nullptr, nullptr};
  list->Addresses[1] = {nullptr, &list->Ipv4Address, nullptr, nullptr, nullptr};
  list->Devices[0] = {&list->Devices[1], s.Name0, nullptr, nullptr, 0};
  list->Devices[1] = {&list->Devices[2], s.Name1, s.Description, &list->Addresses[0], 0};
  list->Devices[2] = {nullptr, s.Name2, s.Description, nullptr, 0};
  *devices = &list->Devices[0];
  return 0;
}

void FreeAllDevs(PcapDevice* devices) { delete reinterpret_cast<DeviceList*>(devices); }

PcapHandle* Open(const char* source, int snapLength, int flags, int readTimeout, void*, char* errorBuffer) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.Mutex);
  ++s.Stats.OpenAttempts;
  s.Stats.LastDevice = source;
  s.Stats.LastFlags = flags;
  s.Stats.LastSnapLength = snapLength;
  s.Stats.LastTimeout = readTimeout;
  if (s.Plan.OpenWaitsForGate) s.Changed.wait(lock, [&] { return s.GateOpen; });
  const bool away = s.OpenFailures != 0;
  if (s.OpenFailures > 0) --s.OpenFailures;
  if (s.Plan.OpenFails || away || (std::strcmp(source, "fake0") != 0 && std::strcmp(source, "fake1") != 0)) {
    std::strcpy(errorBuffer, "cannot open");
    return nullptr;
  }
  ++s.Stats.Opens;
  ++s.Stats.OpenNow;
  s.Stats.MostOpenAtOnce = std::max(s.Stats.MostOpenAtOnce, s.Stats.OpenNow);
  return reinterpret_cast<PcapHandle*>(new FakeHandle);
}

int Compile(PcapHandle*, PcapProgram* program, const char* filter, int, std::uint32_t) {
  int delay;
  bool fails;
  {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.Mutex);
    ++s.Stats.Compiles;
    s.Stats.LastFilter = filter;
    delay = s.Plan.CompileDelayMs;
    fails = s.Plan.CompileFails;
  }
  if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  if (fails) return -1;
  program->Length = 1;
  program->Instructions = new int(0);
  return 0;
}

int SetFilter(PcapHandle*, PcapProgram*) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.SetFilters;
  return s.Plan.SetFilterFails ? -1 : 0;
}

void FreeCode(PcapProgram* program) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.FreeCodes;
  delete static_cast<int*>(program->Instructions);
  program->Instructions = nullptr;
}

int Dispatch(PcapHandle* raw, int, PcapHandler handler, unsigned char* user) {
  auto* handle = reinterpret_cast<FakeHandle*>(raw);
  State& s = S();
  std::unique_lock<std::mutex> lock(s.Mutex);
  ++s.Stats.DispatchersNow;
  s.Changed.notify_all();
  s.Changed.wait(lock, [&] { return handle->Broken || s.FailRead || !s.Queue.empty(); });
  --s.Stats.DispatchersNow;
  if (handle->Broken) {
    handle->Broken = false;
    return PcapLoopBroken;
  }
  if (s.FailRead) {
    s.FailRead = false;
    return PcapLoopError;
  }
  int delivered = 0;
  while (!s.Queue.empty()) {
    Frame frame = std::move(s.Queue.front());
    s.Queue.pop_front();
    ++s.InHandler;
    lock.unlock();
    PcapPacketHeader header{};
    header.CapLen = static_cast<std::uint32_t>(frame.Bytes.size());
    header.Len = frame.WireLength;
    handler(user, &header, frame.Bytes.data());
    lock.lock();
    --s.InHandler;
    ++delivered;
  }
  s.Changed.notify_all();
  return delivered;
}

int DataLink(PcapHandle*) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.DataLinks;
  return s.Plan.LinkType;
}

void BreakLoop(PcapHandle* raw) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.BreakLoops;
  reinterpret_cast<FakeHandle*>(raw)->Broken = true;
  s.Changed.notify_all();
}

void Close(PcapHandle* raw) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  ++s.Stats.Closes;
  --s.Stats.OpenNow;
  delete reinterpret_cast<FakeHandle*>(raw);
}

const char* LibVersion() { return "fake pcap 1.0"; }

const PcapFunctions Table = {FindAllDevs, FreeAllDevs, Open,      Compile, SetFilter, FreeCode,
                             Dispatch,    DataLink,    BreakLoop, Close,   LibVersion};

} // namespace

void Install(const Behaviour& behaviour) {
  State& s = S();
  {
    std::lock_guard<std::mutex> lock(s.Mutex);
    s.Plan = behaviour;
    s.Stats = Statistics{};
    s.Queue.clear();
    s.FailRead = false;
    s.GateOpen = false;
    s.OpenFailures = 0;
  }
  SetPcapFunctions(&Table);
}

void Uninstall() { SetPcapFunctions(nullptr); }

const PcapFunctions& Functions() { return Table; }

void Inject(const std::vector<std::uint8_t>& frame, std::uint32_t wireLength) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  s.Queue.push_back({frame, wireLength});
  s.Changed.notify_all();
}

bool WaitDelivered(int timeoutMs) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.Mutex);
  return s.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return s.Queue.empty() && s.InHandler == 0; });
}

void FailNextRead() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  s.FailRead = true;
  s.Changed.notify_all();
}

void ReleaseOpenGate() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  s.GateOpen = true;
  s.Changed.notify_all();
}

void FailOpens(int count) {
  std::lock_guard<std::mutex> lock(S().Mutex);
  S().OpenFailures = count;
}

void SetAddress(const std::uint8_t address[4]) {
  std::lock_guard<std::mutex> lock(S().Mutex);
  std::memcpy(S().Plan.Address, address, 4);
}

bool WaitForDispatchers(int count, int timeoutMs) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.Mutex);
  return s.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return s.Stats.DispatchersNow == count; });
}

Statistics Stats() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.Mutex);
  return s.Stats;
}

} // namespace fakepcap
