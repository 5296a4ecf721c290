#pragma once
// The notification-area tip built from the newest sample.
#include <string>

struct BPSSample;

std::wstring BuildTipText(const BPSSample& newest);
