#pragma once
// Command line of bytwacht-replay.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/ip_address.h"

struct ReplayOptions {
  std::uint8_t LocalAddress[4] = {}; // network byte order; 0.0.0.0 counts nothing as in or out
  // Any --local6 switches IPv6 classification and IPv6 flows on.
  std::vector<Ipv6Bytes> LocalIpv6;
  std::uint32_t IntervalMs = 1000;
  std::int32_t AvgTime = 60;
  bool Resolve = false;
  std::string File;
};

inline constexpr const char* ReplayUsage =
    "usage: bytwacht-replay [--local A.B.C.D] [--local6 IPV6]... [--interval MS] [--avg-time S] [--resolve] "
    "FILE";

// Fills `options` from the arguments after the program name; returns an error
// text, empty when the command line is good.
std::string ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options);
