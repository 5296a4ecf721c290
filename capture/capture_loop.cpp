#include "capture/capture_loop.h"

namespace {

#ifdef _WIN32
constexpr int PacketsPerRead = 1;
#else
constexpr int PacketsPerRead = -1; // whatever one buffer holds
#endif

} // namespace

int RunCaptureLoop(const PcapFunctions& pcap, PcapHandle* handle, PcapHandler handler, unsigned char* user,
                   const std::atomic<bool>& cancel) {
  for (;;) {
    if (cancel.load()) return PcapLoopBroken;
    const int result = pcap.Dispatch(handle, PacketsPerRead, handler, user);
    if (result == PcapLoopBroken) return PcapLoopBroken;
    // Any other negative result is an error, as it ends pcap_loop.
    if (result < 0) return PcapLoopError;
  }
}
