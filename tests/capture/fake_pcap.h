#pragma once
// A capture library played by the test: one adapter "fake0" with a chosen
// IPv4 and IPv6 address, a second one "fake1" without addresses, packets that
// the test hands in, and faults on demand. Only for the native build
// (installed with SetPcapFunctions).
#include <cstdint>
#include <string>
#include <vector>

#include "capture/pcap_api.h"

namespace fakepcap {

struct Behaviour {
  bool EnumerationFails = false;
  bool OpenFails = false;
  bool CompileFails = false;
  bool SetFilterFails = false;
  int CompileDelayMs = 0;
  bool OpenWaitsForGate = false; // Open blocks until ReleaseOpenGate
  std::uint8_t Address[4] = {192, 168, 0, 10};
  std::uint8_t Ipv6Address[16] = {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10}; // fd00::10
  int LinkType = 1; // what pcap_datalink answers: Ethernet
};

struct Statistics {
  int Enumerations = 0; // FindAllDevs calls
  int Opens = 0;        // successful opens
  int OpenAttempts = 0;
  int Closes = 0;
  int OpenNow = 0; // handles open at this moment
  int MostOpenAtOnce = 0;
  int Compiles = 0;
  int SetFilters = 0;
  int FreeCodes = 0;
  int BreakLoops = 0;
  int DataLinks = 0;      // pcap_datalink calls
  int DispatchersNow = 0; // threads inside Dispatch
  std::string LastFilter;
  std::string LastDevice;
  int LastFlags = -1, LastSnapLength = -1, LastTimeout = -1;
};

// Installs the fake with `behaviour` (and resets everything) / removes it.
void Install(const Behaviour& behaviour = Behaviour{});
void Uninstall();
const PcapFunctions& Functions();

// The frame is delivered to the packet handler by the capture loop.
void Inject(const std::vector<std::uint8_t>& frame, std::uint32_t wireLength);
// Waits until every injected frame went through the handler; false on timeout.
bool WaitDelivered(int timeoutMs = 5000);
// The next read of the capture loop fails (-1).
void FailNextRead();
void ReleaseOpenGate();
// The next `count` opens fail, as if the adapter were away; -1: every one
// until told otherwise.
void FailOpens(int count);
// The adapter's IPv4 address from now on.
void SetAddress(const std::uint8_t address[4]);
// Waits until `count` threads sit in the capture loop's read.
bool WaitForDispatchers(int count, int timeoutMs = 5000);

Statistics Stats();

} // namespace fakepcap
