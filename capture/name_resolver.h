#pragma once
// Reverse name resolution of one IPv4 address (getnameinfo with flags 0, so
// the system itself answers with the numeric form when it knows no name).
#include <cstdint>
#include <string>

// The address in network byte order; true and the narrow host text on success.
using NameResolver = bool (*)(const std::uint8_t address[4], std::string& host);

bool ResolveHostName(const std::uint8_t address[4], std::string& host);

#ifndef _WIN32
// Tests of the native build may put in a resolver of their own (one that is
// slow or fails, say); null restores getnameinfo.
void SetNameResolver(NameResolver resolver);
#endif
