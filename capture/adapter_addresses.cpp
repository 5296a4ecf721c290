#include "capture/adapter_addresses.h"

#include <algorithm>
#include <cstring>

#include "capture/adapter_label.h"

void AddIpv6Address(std::vector<Ipv6Bytes>& addresses, const Ipv6Bytes& address) {
  if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
}

AdapterAddresses AddressesFromDeviceList(const PcapDevice* devices, const std::string& device,
                                         std::uint16_t inet6Family) {
  AdapterAddresses found;
  bool haveIpv4 = false;
  for (const PcapDevice* d = devices; d != nullptr; d = d->Next) {
    if (d->Name == nullptr || device != d->Name) continue;
    for (const PcapAddress* a = d->Addresses; a != nullptr; a = a->Next) {
      if (a->Addr == nullptr) continue;
      if (a->Addr->Family == PcapFamilyInet && !haveIpv4) {
        std::memcpy(found.Ipv4, a->Addr->Address, 4);
        haveIpv4 = true;
      } else if (a->Addr->Family == inet6Family) {
        // The record is a sockaddr_in6 of 28 bytes, not the 16 of sockaddr_in.
        const auto* ipv6 = reinterpret_cast<const PcapSocketAddress6*>(a->Addr);
        Ipv6Bytes address;
        std::memcpy(address.data(), ipv6->Address, 16);
        AddIpv6Address(found.Ipv6, address);
      }
    }
    break;
  }
  return found;
}

bool LookUpAdapterAddresses(const PcapFunctions& pcap, const std::string& device,
                            AdapterAddresses& addresses) {
  char errorBuffer[PcapErrorBufferSize] = {};
  PcapDevice* devices = nullptr;
  if (pcap.FindAllDevs(&devices, errorBuffer) == -1) return false;
  addresses = AddressesFromDeviceList(devices, device, PcapFamilyInet6);
  if (devices != nullptr) pcap.FreeAllDevs(devices);
  // Npcap's list may lack IPv6 addresses the system has; the system's list
  // is empty in the native build, where libpcap lists them all.
  const std::vector<SystemAdapter> system = ListSystemAdapters();
  if (const SystemAdapter* same = FindSystemAdapter(system, device))
    for (const Ipv6Bytes& address : same->Ipv6)
      AddIpv6Address(addresses.Ipv6, address);
  return true;
}
