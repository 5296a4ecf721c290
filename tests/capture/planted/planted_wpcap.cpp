// A wpcap.dll planted beside the program, as a download folder might hold
// one: it must never be the library the program loads.
#define PLANTED_EXPORT extern "C" __declspec(dllexport)

PLANTED_EXPORT const char* pcap_lib_version() { return "planted wpcap.dll"; }
PLANTED_EXPORT int pcap_findalldevs(void**, char*) { return -1; }
PLANTED_EXPORT void pcap_freealldevs(void*) {}
PLANTED_EXPORT void* pcap_open(const char*, int, int, int, void*, char*) { return nullptr; }
PLANTED_EXPORT int pcap_compile(void*, void*, const char*, int, unsigned) { return -1; }
PLANTED_EXPORT int pcap_setfilter(void*, void*) { return -1; }
PLANTED_EXPORT void pcap_freecode(void*) {}
PLANTED_EXPORT int pcap_dispatch(void*, int, void*, unsigned char*) { return -1; }
PLANTED_EXPORT void pcap_breakloop(void*) {}
PLANTED_EXPORT void pcap_close(void*) {}
