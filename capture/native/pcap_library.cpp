#include "capture/pcap_api.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/socket.h>

namespace {

static_assert(sizeof(PcapPacketHeader) == sizeof(pcap_pkthdr));
static_assert(offsetof(PcapPacketHeader, CapLen) == offsetof(pcap_pkthdr, caplen));
static_assert(offsetof(PcapPacketHeader, Len) == offsetof(pcap_pkthdr, len));
static_assert(offsetof(PcapDevice, Addresses) == offsetof(pcap_if_t, addresses));
static_assert(offsetof(PcapDevice, Description) == offsetof(pcap_if_t, description));
static_assert(offsetof(PcapAddress, Addr) == offsetof(pcap_addr_t, addr));
static_assert(sizeof(PcapProgram) == sizeof(bpf_program));
static_assert(PcapErrorBufferSize == PCAP_ERRBUF_SIZE);
static_assert(PcapFamilyInet6 == AF_INET6);
static_assert(sizeof(PcapSocketAddress6) == sizeof(sockaddr_in6));
static_assert(offsetof(PcapSocketAddress6, Address) == offsetof(sockaddr_in6, sin6_addr));

pcap_t* Native(PcapHandle* handle) { return reinterpret_cast<pcap_t*>(handle); }
bpf_program* Native(PcapProgram* program) { return reinterpret_cast<bpf_program*>(program); }

int FindAllDevs(PcapDevice** devices, char* errorBuffer) {
  return pcap_findalldevs(reinterpret_cast<pcap_if_t**>(devices), errorBuffer);
}
void FreeAllDevs(PcapDevice* devices) { pcap_freealldevs(reinterpret_cast<pcap_if_t*>(devices)); }

PcapHandle* Open(const char* source, int snapLength, int flags, int readTimeout, void*, char* errorBuffer) {
  pcap_t* handle = pcap_create(source, errorBuffer);
  if (handle == nullptr) return nullptr;
  pcap_set_snaplen(handle, snapLength);
  pcap_set_promisc(handle, (flags & PcapOpenFlagPromiscuous) != 0);
  pcap_set_timeout(handle, readTimeout);
  if (pcap_activate(handle) < 0) {
    std::snprintf(errorBuffer, PCAP_ERRBUF_SIZE, "%s", pcap_geterr(handle));
    pcap_close(handle);
    return nullptr;
  }
  return reinterpret_cast<PcapHandle*>(handle);
}

int Compile(PcapHandle* handle, PcapProgram* program, const char* filter, int optimize,
            std::uint32_t netmask) {
  return pcap_compile(Native(handle), Native(program), filter, optimize, netmask);
}
int SetFilter(PcapHandle* handle, PcapProgram* program) {
  return pcap_setfilter(Native(handle), Native(program));
}
void FreeCode(PcapProgram* program) { pcap_freecode(Native(program)); }
int Dispatch(PcapHandle* handle, int count, PcapHandler handler, unsigned char* user) {
  return pcap_dispatch(Native(handle), count, reinterpret_cast<pcap_handler>(handler), user);
}
int DataLink(PcapHandle* handle) { return pcap_datalink(Native(handle)); }
void BreakLoop(PcapHandle* handle) { pcap_breakloop(Native(handle)); }
void Close(PcapHandle* handle) { pcap_close(Native(handle)); }
const char* LibVersion() { return pcap_lib_version(); }

const PcapFunctions Libpcap = {FindAllDevs, FreeAllDevs, Open,      Compile, SetFilter, FreeCode,
                               Dispatch,    DataLink,    BreakLoop, Close,   LibVersion};

std::atomic<const PcapFunctions*> Override{nullptr};

bool Complete(const PcapFunctions& f) {
  return f.FindAllDevs && f.FreeAllDevs && f.Open && f.Compile && f.SetFilter && f.FreeCode && f.Dispatch &&
         f.DataLink && f.BreakLoop && f.Close && f.LibVersion;
}

} // namespace

const PcapFunctions& LibpcapFunctions() { return Libpcap; }

void SetPcapFunctions(const PcapFunctions* functions) { Override = functions; }

bool PcapLibrary::Load() {
  if (Loaded) return true;
  const PcapFunctions* chosen = Override.load();
  Functions = chosen ? *chosen : Libpcap;
  Loaded = Complete(Functions);
  return Loaded;
}

const char* PcapVersionText() {
  PcapLibrary library;
  return library.Load() ? library.Calls().LibVersion() : "";
}
