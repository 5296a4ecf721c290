// Arbitrary usage-file contents: reading must never fail or read out of
// bounds, and what a file gives must survive write -> read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/usage_csv.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "usage_fuzzer: %s\n", what);
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  UsageHistory first;
  if (!ParseUsage(input, first)) return 0;
  for (const auto& [day, counts] : first.Days())
    if (counts.In + counts.Out + counts.Other < counts.In) Fail("a row's total wraps");
  const std::string written = SerializeUsage(first);
  UsageHistory second;
  if (!ParseUsage(written, second)) Fail("a written file does not read back");
  if (second.Days() != first.Days()) Fail("write -> read changed the history");
  if (SerializeUsage(second) != written) Fail("second write differs from the first");
  return 0;
}
