#pragma once
// A cheap look at the addresses an adapter has now, taken once per sample so
// that a change is noticed even where the system never reports one (Wine).
// Only when the look differs from the last one is the full lookup made.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/pcap_api.h"

class AddressProbe {
public:
  // `device` is the capture library's name of the adapter.
  explicit AddressProbe(std::string device) : Device(std::move(device)) {}

  // The adapter's unicast addresses (IPv6 ones too when `withIpv6`), sorted,
  // as one string of bytes that two looks can be compared by; none when this
  // system cannot tell cheaply. An adapter that is not there has no
  // addresses. On Windows the system's address table; in the native build
  // the capture library's device list.
  std::optional<std::string> Look(const PcapFunctions& pcap, bool withIpv6);

private:
  std::string Device;
#ifdef _WIN32
  std::uint64_t Luid = 0; // the adapter's interface LUID once known; 0 before
#endif
};

// Addresses (4 or 16 bytes each) in any order as one look: sorted, each with
// its length in front.
std::string JoinAddresses(std::vector<std::string> addresses);
