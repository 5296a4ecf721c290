#pragma once
// One record of the traffic history: rates in bytes per second of one sampling
// interval and the busiest TCP/UDP flow known at that time.
#include <cstdint>
#include <string>

struct BPSSample {
  std::int64_t Total = 0;
  std::int64_t Average = 0;
  std::int64_t In = 0;
  std::int64_t Out = 0;
  std::int64_t Other = 0;
  std::uint16_t TopSrcPort = 0;
  std::uint16_t TopDstPort = 0;
  std::wstring TopSrcHost;
  std::wstring TopDstHost;
};
