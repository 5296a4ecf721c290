#pragma once
// The capture-library calls and records the program uses, declared here in the
// layout both libraries share, so that the Windows build needs no SDK headers
// (wpcap.dll is loaded at run time) and the native build can swap the calls.
#include <cstdint>

#ifdef _WIN32
#include "platform/win32/owned_handles.h"
#endif

constexpr int PcapErrorBufferSize = 256;   // PCAP_ERRBUF_SIZE
constexpr int PcapOpenFlagPromiscuous = 1; // PCAP_OPENFLAG_PROMISCUOUS
constexpr int PcapLoopError = -1, PcapLoopBroken = -2;
constexpr std::uint16_t PcapFamilyInet = 2; // AF_INET on both systems
#ifdef _WIN32
constexpr std::uint16_t PcapFamilyInet6 = 23; // AF_INET6 of Windows
#else
constexpr std::uint16_t PcapFamilyInet6 = 10; // AF_INET6 of Linux
#endif

struct PcapHandle; // pcap_t

// sockaddr / sockaddr_in: the family first (16 bits on both systems).
struct PcapSocketAddress {
  std::uint16_t Family;
  std::uint8_t Port[2];
  std::uint8_t Address[4]; // AF_INET only
  std::uint8_t Zero[8];
};

// sockaddr_in6, the same on both systems (28 bytes): what a PcapSocketAddress
// of family PcapFamilyInet6 really points to.
struct PcapSocketAddress6 {
  std::uint16_t Family;
  std::uint8_t Port[2];
  std::uint8_t FlowInfo[4];
  std::uint8_t Address[16];
  std::uint8_t ScopeId[4];
};

struct PcapAddress { // pcap_addr
  PcapAddress* Next;
  PcapSocketAddress* Addr;
  PcapSocketAddress* Netmask;
  PcapSocketAddress* BroadAddr;
  PcapSocketAddress* DstAddr;
};

struct PcapDevice { // pcap_if
  PcapDevice* Next;
  char* Name;
  char* Description; // may be null
  PcapAddress* Addresses;
  std::uint32_t Flags;
};

struct PcapProgram { // bpf_program
  unsigned Length;
  void* Instructions;
};

// pcap_pkthdr: struct timeval is two longs on both systems (32-bit on Windows).
struct PcapPacketHeader {
  long Seconds;
  long Microseconds;
  std::uint32_t CapLen; // bytes captured
  std::uint32_t Len;    // length on the wire
};

using PcapHandler = void (*)(unsigned char* user, const PcapPacketHeader* header, const unsigned char* bytes);

// Every call the program makes.
struct PcapFunctions {
  int (*FindAllDevs)(PcapDevice** devices, char* errorBuffer);
  void (*FreeAllDevs)(PcapDevice* devices);
  // The WinPcap extension: source, snapshot length, flags, read timeout in ms,
  // remote authentication (always null here), error buffer.
  PcapHandle* (*Open)(const char* source, int snapLength, int flags, int readTimeout, void* auth,
                      char* errorBuffer);
  int (*Compile)(PcapHandle* handle, PcapProgram* program, const char* filter, int optimize,
                 std::uint32_t netmask);
  int (*SetFilter)(PcapHandle* handle, PcapProgram* program);
  void (*FreeCode)(PcapProgram* program);
  int (*Dispatch)(PcapHandle* handle, int count, PcapHandler handler, unsigned char* user);
  int (*DataLink)(PcapHandle* handle); // the link type (DLT_ value) of an open handle
  void (*BreakLoop)(PcapHandle* handle);
  void (*Close)(PcapHandle* handle);
  const char* (*LibVersion)();
};

// Access to the capture library. On Windows it loads wpcap.dll from Npcap's
// folder in System32, else from System32 itself, never from anywhere a user
// can write to; its owner frees it when it goes.
class PcapLibrary {
public:
  PcapLibrary() = default;
  PcapLibrary(const PcapLibrary&) = delete;
  PcapLibrary& operator=(const PcapLibrary&) = delete;

  // True when the library is there with every call; cheap once it succeeded.
  bool Load();
  // Valid after Load returned true.
  const PcapFunctions& Calls() const { return Functions; }

private:
  PcapFunctions Functions{};
  bool Loaded = false;
#ifdef _WIN32
  OwnedModule Module;
#endif
};

// The library's version text, or an empty text when it cannot be loaded.
const char* PcapVersionText();

// Tests may put in calls of their own (an adapter that cannot be opened, a
// filter that does not compile, a failing capture loop, a chosen device list):
// later Loads hand them out instead of the library's; null restores the library.
// A table with a null entry counts as a library that cannot be loaded.
void SetPcapFunctions(const PcapFunctions* functions);

#ifndef _WIN32
// libpcap's own calls (pcap_open built from pcap_create and pcap_activate).
const PcapFunctions& LibpcapFunctions();
#endif
