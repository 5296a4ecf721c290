#pragma once
// Reverse name resolution of one address (getnameinfo with flags 0, so the
// system itself answers with the numeric form when it knows no name).
#include <cstdint>
#include <string>

#include "capture/ip_address.h"

// The address in network byte order (4 or 16 bytes); true and the narrow host
// text on success.
using NameResolver = bool (*)(IpVersion version, const std::uint8_t* address, std::string& host);

bool ResolveHostName(IpVersion version, const std::uint8_t* address, std::string& host);

#ifndef _WIN32
// Tests of the native build may put in a resolver of their own (one that is
// slow or fails, say); null restores getnameinfo.
void SetNameResolver(NameResolver resolver);
#endif
