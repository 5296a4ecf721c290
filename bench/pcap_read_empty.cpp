// The floor for bytwacht-replay: libpcap reading the same capture file with a
// handler that does nothing but count.
#include <cstdio>
#include <pcap/pcap.h>

namespace {

void Count(u_char* user, const pcap_pkthdr*, const u_char*) {
  ++*reinterpret_cast<unsigned long long*>(user);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pcap_read_empty FILE\n");
    return 2;
  }
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* handle = pcap_open_offline_with_tstamp_precision(argv[1], PCAP_TSTAMP_PRECISION_NANO, error);
  if (handle == nullptr) {
    std::fprintf(stderr, "pcap_read_empty: %s\n", error);
    return 2;
  }
  unsigned long long packets = 0;
  const int result = pcap_loop(handle, -1, Count, reinterpret_cast<u_char*>(&packets));
  pcap_close(handle);
  std::printf("%llu packets\n", packets);
  return result == PCAP_ERROR ? 2 : 0;
}
