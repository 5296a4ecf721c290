#pragma once
// Addresses as the packets carry them: network byte order, 4 bytes for IPv4
// and 16 for IPv6.
#include <array>
#include <cstdint>
#include <string>

enum class IpVersion : std::uint8_t { V4 = 4, V6 = 6 };

using Ipv6Bytes = std::array<std::uint8_t, 16>;

inline constexpr std::size_t AddressLength(IpVersion version) { return version == IpVersion::V6 ? 16 : 4; }

// An address of either family as one ordered key: the address bytes (an IPv4
// address zero-filled to 16), then the version, so IPv4 addresses keep their
// byte-by-byte order among themselves and no IPv6 address equals an IPv4 one.
using AddressKey = std::array<std::uint8_t, 17>;
AddressKey KeyOf(IpVersion version, const std::uint8_t* address);

// "a.b.c.d" for IPv4; for IPv6 the system's inet_ntop text (RFC 5952: lower
// case, the longest run of zero groups as "::").
std::string AddressText(IpVersion version, const std::uint8_t* address);
