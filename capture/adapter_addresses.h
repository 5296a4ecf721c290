#pragma once
// The addresses of one adapter: what decides whether a packet is incoming or
// outgoing. Looked up when a capture starts, and again whenever the adapter's
// addresses may have changed.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/ip_address.h"
#include "capture/pcap_api.h"

struct AdapterAddresses {
  std::uint8_t Ipv4[4] = {};   // the first IPv4 address listed; 0.0.0.0 when there is none
  std::vector<Ipv6Bytes> Ipv6; // every IPv6 address, in list order, each once
};

// The addresses the capture library lists for the adapter named `device`
// (none when it is not listed); `inet6Family` is the system's AF_INET6.
AdapterAddresses AddressesFromDeviceList(const PcapDevice* devices, const std::string& device,
                                         std::uint16_t inet6Family);

// Fills `addresses` for `device` from pcap_findalldevs and, on Windows, adds
// the IPv6 addresses the system lists for the same adapter. False, with
// `addresses` untouched, when the capture library could not list its devices.
bool LookUpAdapterAddresses(const PcapFunctions& pcap, const std::string& device,
                            AdapterAddresses& addresses);

// Appends `address` unless the list holds it already.
void AddIpv6Address(std::vector<Ipv6Bytes>& addresses, const Ipv6Bytes& address);
