#include "tests/capture/stress_pcap.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace stress {
namespace {

Faults TheFaults;
Ledger TheLedger;

struct FakeHandle {
  std::atomic<bool> BreakRequested{false};
  std::uint32_t Sequence = 0;
};

// Takes one from a fault counter; true when a fault was due.
bool Take(std::atomic<int>& counter) {
  int n = counter.load();
  while (n > 0) {
    if (counter.compare_exchange_weak(n, n - 1)) return true;
  }
  return false;
}

const std::uint8_t LocalAddress[4] = {10, 0, 0, 1};

int FindAllDevs(PcapDevice** devices, char* errorBuffer) {
  if (Take(TheFaults.FailingDeviceLists)) {
    std::strcpy(errorBuffer, "no devices today");
    return -1;
  }
  auto* address = new PcapSocketAddress{};
  address->Family = PcapFamilyInet;
  std::memcpy(address->Address, LocalAddress, 4);
  auto* entry = new PcapAddress{};
  entry->Addr = address;
  auto* device = new PcapDevice{};
  device->Name = new char[8];
  std::strcpy(device->Name, "stress0");
  device->Addresses = entry;
  *devices = device;
  ++TheLedger.DeviceLists;
  return 0;
}

void FreeAllDevs(PcapDevice* devices) {
  while (devices != nullptr) {
    PcapDevice* next = devices->Next;
    for (PcapAddress* a = devices->Addresses; a != nullptr;) {
      PcapAddress* nextAddress = a->Next;
      delete a->Addr;
      delete a;
      a = nextAddress;
    }
    delete[] devices->Name;
    delete devices;
    devices = next;
  }
  --TheLedger.DeviceLists;
}

PcapHandle* Open(const char* source, int, int, int, void*, char* errorBuffer) {
  ++TheLedger.Opens;
  if (std::strcmp(source, "stress0") != 0 || Take(TheFaults.FailingOpens)) {
    std::strcpy(errorBuffer, "cannot open");
    return nullptr;
  }
  const int open = ++TheLedger.OpenHandles;
  for (int most = TheLedger.MostOpenAtOnce.load(); open > most;)
    TheLedger.MostOpenAtOnce.compare_exchange_weak(most, open);
  return reinterpret_cast<PcapHandle*>(new FakeHandle);
}

int Compile(PcapHandle*, PcapProgram* program, const char*, int, std::uint32_t) {
  if (Take(TheFaults.FailingCompiles)) return -1;
  program->Length = 1;
  program->Instructions = new std::uint64_t[1];
  ++TheLedger.Programs;
  return 0;
}

int SetFilter(PcapHandle*, PcapProgram*) { return Take(TheFaults.FailingSetFilters) ? -1 : 0; }

void FreeCode(PcapProgram* program) {
  if (program->Instructions == nullptr) return;
  delete[] static_cast<std::uint64_t*>(program->Instructions);
  program->Instructions = nullptr;
  --TheLedger.Programs;
}

// One frame of the endless traffic: UDP or TCP between the adapter and a pool
// of 40 peers in both directions, now and then an ARP frame or a short one.
std::uint32_t MakeFrame(std::uint32_t n, std::uint8_t* frame, std::uint32_t& caplen) {
  std::memset(frame, 0, 128);
  const std::uint32_t len = 60 + (n * 7919u) % 1455u;
  caplen = len < 128 ? len : 128;
  if (n % 17 == 0) { // ARP
    frame[12] = 0x08;
    frame[13] = 0x06;
    return len;
  }
  if (n % 23 == 0) caplen = 30; // cut short by the snapshot
  frame[12] = 0x08;
  frame[14] = 0x45;
  frame[23] = n % 3 == 0 ? 6 : 17;
  const std::uint8_t peer[4] = {10, 1, static_cast<std::uint8_t>(n % 40 / 10),
                                static_cast<std::uint8_t>(n % 10)};
  const bool outgoing = n % 2 == 0;
  std::memcpy(frame + 26, outgoing ? LocalAddress : peer, 4);
  std::memcpy(frame + 30, outgoing ? peer : LocalAddress, 4);
  const std::uint16_t src = static_cast<std::uint16_t>(40000 + n % 50), dst = 9999;
  frame[34] = static_cast<std::uint8_t>(src >> 8);
  frame[35] = static_cast<std::uint8_t>(src);
  frame[36] = static_cast<std::uint8_t>(dst >> 8);
  frame[37] = static_cast<std::uint8_t>(dst);
  return len;
}

int Dispatch(PcapHandle* handle, int count, PcapHandler handler, unsigned char* user) {
  auto* h = reinterpret_cast<FakeHandle*>(handle);
  if (h->BreakRequested.exchange(false)) return PcapLoopBroken;
  int n = TheFaults.LoopFailsAfter.load();
  while (n > 0 && !TheFaults.LoopFailsAfter.compare_exchange_weak(n, n - 1)) {
  }
  if (n == 1) {
    ++TheLedger.LoopFailures;
    return PcapLoopError;
  }
  // A read returns after a short wait, as the real one does on a quiet link.
  std::this_thread::sleep_for(std::chrono::microseconds(500));
  if (TheFaults.TrafficPaused) return 0;
  const int packets = count > 0 && count < 4 ? count : 4;
  for (int i = 0; i < packets; ++i) {
    std::uint8_t frame[128];
    PcapPacketHeader header{};
    header.Len = MakeFrame(h->Sequence++, frame, header.CapLen);
    handler(user, &header, frame);
    TheLedger.DeliveredBytes += header.Len;
    ++TheLedger.DeliveredPackets;
  }
  return packets;
}

int DataLink(PcapHandle*) { return 1; } // Ethernet
void BreakLoop(PcapHandle* handle) { reinterpret_cast<FakeHandle*>(handle)->BreakRequested = true; }

void Close(PcapHandle* handle) {
  delete reinterpret_cast<FakeHandle*>(handle);
  --TheLedger.OpenHandles;
}

const char* LibVersion() { return "stress capture 1.0"; }

const PcapFunctions Functions = {FindAllDevs, FreeAllDevs, Open,      Compile, SetFilter, FreeCode,
                                 Dispatch,    DataLink,    BreakLoop, Close,   LibVersion};

} // namespace

Faults& CurrentFaults() { return TheFaults; }
Ledger& CurrentLedger() { return TheLedger; }

void ResetAll() {
  TheFaults.FailingOpens = 0;
  TheFaults.FailingCompiles = 0;
  TheFaults.FailingSetFilters = 0;
  TheFaults.FailingDeviceLists = 0;
  TheFaults.LoopFailsAfter = 0;
  TheFaults.SlowResolves = 0;
  TheFaults.TrafficPaused = false;
  TheLedger.DeliveredBytes = 0;
  TheLedger.DeliveredPackets = 0;
  TheLedger.OpenHandles = 0;
  TheLedger.MostOpenAtOnce = 0;
  TheLedger.DeviceLists = 0;
  TheLedger.Programs = 0;
  TheLedger.Opens = 0;
  TheLedger.LoopFailures = 0;
  TheLedger.Resolves = 0;
}

const PcapFunctions& StressPcapFunctions() { return Functions; }

bool StressResolver(IpVersion, const std::uint8_t* address, std::string& host) {
  ++TheLedger.Resolves;
  if (Take(TheFaults.SlowResolves)) std::this_thread::sleep_for(std::chrono::milliseconds(SlowResolveMs));
  if (address[3] % 5 == 0) return false;
  // Built from characters and appends: GCC 12 warns, wrongly, of overlapping
  // copies when a one-letter literal is assigned or prepended to a string.
  host.assign(1, 'h');
  for (int i = 0; i < 4; ++i) {
    if (i > 0) host += '.';
    host += std::to_string(address[i]);
  }
  return true;
}

bool IsStressHostName(const std::wstring& text) {
  if (text.empty()) return true;
  if (text.size() > 4 && text.compare(text.size() - 4, 4, L" [F]") == 0) return true;
  return text[0] == L'h';
}

} // namespace stress
