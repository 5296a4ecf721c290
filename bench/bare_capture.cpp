// The floor for any pcap meter on Windows: wpcap.dll loaded the way bytwacht.exe
// loads it, the adapter opened with the same snapshot length, flags, read
// timeout and filter, and the same one-packet dispatch loop on a thread of the
// same priority, with a handler that only counts.
//
//   bare_capture DEVICE [FILTER] [PROMISCUOUS]
//
// Reads commands from standard input, one a line: "count" prints the packets
// counted so far, "quit" (or the end of the input) ends the program. The main
// thread waits in that read, so at rest only the capture thread can wake.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <process.h>
#include <string>

#include "capture/pcap_api.h"

namespace {

// What bytwacht.exe passes to the library.
constexpr int SnapshotLength = 128;
constexpr int ReadTimeoutMs = 100;
constexpr std::uint32_t FilterNetmask = 0x00FFFFFF;

struct Capture {
  const PcapFunctions* Pcap = nullptr;
  PcapHandle* Handle = nullptr;
  std::atomic<bool> Cancel{false};
  std::atomic<unsigned long long> Packets{0};
  int Result = 0;
};

void CountPacket(unsigned char* user, const PcapPacketHeader*, const unsigned char*) {
  auto& packets = reinterpret_cast<Capture*>(user)->Packets;
  // One writer: a plain add, no locked instruction.
  packets.store(packets.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

unsigned __stdcall CaptureMain(void* argument) {
  Capture& capture = *static_cast<Capture*>(argument);
  for (;;) {
    if (capture.Cancel.load()) break;
    const int result =
        capture.Pcap->Dispatch(capture.Handle, 1, CountPacket, reinterpret_cast<unsigned char*>(&capture));
    if (result < 0) {
      capture.Result = result;
      break;
    }
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bare_capture DEVICE [FILTER] [PROMISCUOUS]\n");
    return 2;
  }
  const char* device = argv[1];
  const char* filter = argc > 2 ? argv[2] : "";
  const bool promiscuous = argc > 3 && std::atoi(argv[3]) != 0;

  PcapLibrary library;
  if (!library.Load()) {
    std::fprintf(stderr, "bare_capture: wpcap.dll not loaded\n");
    return 1;
  }
  Capture capture;
  capture.Pcap = &library.Calls();
  char error[PcapErrorBufferSize] = {};
  capture.Handle = capture.Pcap->Open(device, SnapshotLength, promiscuous ? PcapOpenFlagPromiscuous : 0,
                                      ReadTimeoutMs, nullptr, error);
  if (capture.Handle == nullptr) {
    std::fprintf(stderr, "bare_capture: %s\n", error);
    return 1;
  }
  PcapProgram program{};
  const bool compiled = capture.Pcap->Compile(capture.Handle, &program, filter, 1, FilterNetmask) >= 0;
  if (compiled && capture.Pcap->SetFilter(capture.Handle, &program) < 0)
    std::fprintf(stderr, "bare_capture: filter not set\n");

  const auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CaptureMain, &capture, 0, nullptr));
  if (thread == nullptr) return 1;
  SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
  std::printf("ready\n");
  std::fflush(stdout);

  char line[64];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    if (std::strncmp(line, "count", 5) == 0) {
      std::printf("%llu\n", capture.Packets.load());
      std::fflush(stdout);
    } else if (std::strncmp(line, "quit", 4) == 0) {
      break;
    }
  }
  capture.Cancel = true;
  capture.Pcap->BreakLoop(capture.Handle);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  if (compiled) capture.Pcap->FreeCode(&program);
  capture.Pcap->Close(capture.Handle);
  std::printf("%llu\n", capture.Packets.load());
  return capture.Result < 0 && capture.Result != PcapLoopBroken ? 1 : 0;
}
