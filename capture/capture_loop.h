#pragma once
// The capture loop: pcap_loop's contract (no packet limit; -2 once broken,
// -1 on an error) built on pcap_dispatch, since Wine's wpcap has no pcap_loop
// and its pcap_dispatch reads only with a count of 1.
#include <atomic>

#include "capture/pcap_api.h"

// Also returns -2 as soon as `cancel` is seen set between two reads.
int RunCaptureLoop(const PcapFunctions& pcap, PcapHandle* handle, PcapHandler handler, unsigned char* user,
                   const std::atomic<bool>& cancel);
