// The floor for bytwacht-replay: libpcap reading the same capture file the
// same way, with a handler that does nothing but count. With --libpcap-stream
// libpcap opens the file itself, with its own 4 KiB stdio buffer, as the
// replay did before.
#include <cstdio>
#include <cstring>
#include <pcap/pcap.h>

#include "tools/capture_file.h"

namespace {

void Count(u_char* user, const pcap_pkthdr*, const u_char*) {
  ++*reinterpret_cast<unsigned long long*>(user);
}

int Read(pcap_t* handle) {
  unsigned long long packets = 0;
  const int result = pcap_loop(handle, -1, Count, reinterpret_cast<u_char*>(&packets));
  std::printf("%llu packets\n", packets);
  if (result != PCAP_ERROR) return 0;
  std::fprintf(stderr, "pcap_read_empty: %s\n", pcap_geterr(handle));
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  const bool libpcapStream = argc == 3 && std::strcmp(argv[1], "--libpcap-stream") == 0;
  if (argc != 2 && !libpcapStream) {
    std::fprintf(stderr, "usage: pcap_read_empty [--libpcap-stream] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  if (libpcapStream) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline_with_tstamp_precision(path, PCAP_TSTAMP_PRECISION_NANO, error);
    if (handle == nullptr) {
      std::fprintf(stderr, "pcap_read_empty: %s\n", error);
      return 2;
    }
    const int status = Read(handle);
    pcap_close(handle);
    return status;
  }
  const CaptureFile file(path);
  if (file.handle() == nullptr) {
    std::fprintf(stderr, "pcap_read_empty: %s: %s\n", path, file.error().c_str());
    return 2;
  }
  return Read(file.handle());
}
