#include "capture/address_probe.h"

#include <vector>

#include "capture/adapter_addresses.h"

std::optional<std::string> AddressProbe::Look(const PcapFunctions& pcap, bool withIpv6) {
  // The native build has the capture library's list at hand (and tests
  // play it).
  char errorBuffer[PcapErrorBufferSize] = {};
  PcapDevice* devices = nullptr;
  if (pcap.FindAllDevs(&devices, errorBuffer) == -1) return std::nullopt;
  const AdapterAddresses addresses = AddressesFromDeviceList(devices, Device, PcapFamilyInet6);
  if (devices != nullptr) pcap.FreeAllDevs(devices);
  std::vector<std::string> found{std::string(reinterpret_cast<const char*>(addresses.Ipv4), 4)};
  if (withIpv6)
    for (const Ipv6Bytes& address : addresses.Ipv6)
      found.emplace_back(reinterpret_cast<const char*>(address.data()), address.size());
  return JoinAddresses(std::move(found));
}
