#include "capture/address_probe.h"

#include <vector>

std::optional<std::string> AddressProbe::Look(const PcapFunctions& pcap, bool) {
  // The native build has the capture library's list at hand (and tests
  // play it).
  char errorBuffer[PcapErrorBufferSize] = {};
  PcapDevice* devices = nullptr;
  if (pcap.FindAllDevs(&devices, errorBuffer) == -1) return std::nullopt;
  std::vector<std::string> found;
  for (const PcapDevice* d = devices; d != nullptr; d = d->Next) {
    if (d->Name == nullptr || Device != d->Name) continue;
    for (const PcapAddress* a = d->Addresses; a != nullptr; a = a->Next)
      if (a->Addr != nullptr && a->Addr->Family == PcapFamilyInet)
        found.emplace_back(reinterpret_cast<const char*>(a->Addr->Address), 4);
    break;
  }
  if (devices != nullptr) pcap.FreeAllDevs(devices);
  return JoinAddresses(std::move(found));
}
