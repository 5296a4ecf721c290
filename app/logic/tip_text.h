#pragma once
// The notification-area tip built from the newest sample.
#include <string>

struct BPSSample;

// With a monthly limit set, `usageLine` tells the month's usage against it;
// the line of the busiest connection then gives way where the shell would
// cut the tip (127 characters with "Status: OK\n" in front).
std::wstring BuildTipText(const BPSSample& newest, const std::wstring& usageLine = {});
