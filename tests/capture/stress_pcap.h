#pragma once
// A capture library for stress runs: one adapter "stress0" (10.0.0.1) with
// endless traffic, faults on demand, and a ledger of every byte handed to the
// packet handler and of every handle, device list and filter program still
// held, so a run can prove that nothing was lost or leaked.
#include <atomic>
#include <cstdint>
#include <string>

#include "capture/ip_address.h"
#include "capture/pcap_api.h"

namespace stress {

struct Faults {
  std::atomic<int> FailingOpens{0};      // the next N opens fail
  std::atomic<int> FailingCompiles{0};   // the next N filter compilations fail
  std::atomic<int> FailingSetFilters{0}; // the next N filter installations fail
  std::atomic<int> FailingDeviceLists{0};
  std::atomic<int> LoopFailsAfter{0}; // > 0: the loop fails after that many more reads
  std::atomic<int> SlowResolves{0};   // the next N name lookups take SlowResolveMs
  std::atomic<bool> TrafficPaused{false};
};

struct Ledger {
  std::atomic<std::uint64_t> DeliveredBytes{0};
  std::atomic<std::uint64_t> DeliveredPackets{0};
  std::atomic<int> OpenHandles{0};
  std::atomic<int> MostOpenAtOnce{0};
  std::atomic<int> DeviceLists{0};
  std::atomic<int> Programs{0};
  std::atomic<int> Opens{0};
  std::atomic<int> LoopFailures{0};
  std::atomic<int> Resolves{0};
};

constexpr int SlowResolveMs = 1500;

Faults& CurrentFaults();
Ledger& CurrentLedger();
void ResetAll();

// The table to hand to SetPcapFunctions, and the resolver for SetNameResolver.
const PcapFunctions& StressPcapFunctions();
bool StressResolver(IpVersion version, const std::uint8_t* address, std::string& host);

// Host texts the resolver gives: "h<a>.<b>.<c>.<d>", or none (failure) for
// addresses whose last byte is a multiple of 5.
bool IsStressHostName(const std::wstring& text);

} // namespace stress
