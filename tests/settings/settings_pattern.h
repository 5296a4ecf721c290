#pragma once
// Settings records numbered 0, 1, 2 ... whose files differ in length and in
// every line, so that a file cut short or mixed from two saves is recognised.
#include <string>

#include "settings/settings.h"

namespace reltest {

// Record number `n`; FilePath and Applied are left alone.
void FillPatternRecord(Settings& settings, long long n);
// The exact bytes that saving record `n` writes.
std::string PatternFile(long long n);
// True when `bytes` is exactly the file of one pattern record; its number goes
// to `n`.
bool IsPatternFile(const std::string& bytes, long long& n);

} // namespace reltest
