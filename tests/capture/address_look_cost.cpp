// What the capture's look at its adapter's addresses costs once per sample,
// beside the full lookup through the capture library that it saves, for the
// figures in docs/performance.md.
//   address_look_cost DEVICE [ROUNDS]
// Prints the milliseconds per call of each, measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/address_probe.h"
#include "capture/pcap_api.h"

namespace {

template <typename Call> double MillisecondsPerCall(int rounds, Call call) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i)
    call();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: address_look_cost DEVICE [ROUNDS]\n");
    return 2;
  }
  const std::string device = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
  PcapLibrary library;
  if (!library.Load()) {
    std::fprintf(stderr, "capture library not found\n");
    return 1;
  }
  const PcapFunctions& pcap = library.Calls();
  AddressProbe probe(device);
  const std::optional<std::string> look = probe.Look(pcap, false);
  std::printf("look: %s, %zu bytes\n", look ? "taken" : "not possible", look ? look->size() : 0);
  const double ipv4 = MillisecondsPerCall(rounds, [&] { probe.Look(pcap, false); });
  const double both = MillisecondsPerCall(rounds, [&] { probe.Look(pcap, true); });
  const double full = MillisecondsPerCall(rounds, [&] {
    char errorBuffer[PcapErrorBufferSize] = {};
    PcapDevice* devices = nullptr;
    if (pcap.FindAllDevs(&devices, errorBuffer) != -1 && devices != nullptr) pcap.FreeAllDevs(devices);
  });
  std::printf("look, IPv4: %.3f ms\nlook, IPv4 and IPv6: %.3f ms\ncapture library's device list: %.3f ms\n",
              ipv4, both, full);
  std::printf("ratios: device list / look IPv4 %.1f, look IPv4+IPv6 / look IPv4 %.1f\n", full / ipv4,
              both / ipv4);
  return 0;
}
