#pragma once
// The engine's two worker threads and its packet handler.
#include <cstdint>
#include <string>

#include "capture/pcap_api.h"

class CaptureEngine;
struct CaptureThreadContext;
namespace platform {
class StopSignal;
}

// The compiled filter of an open capture.
struct SessionFilter {
  PcapProgram Program{};
  bool Compiled = false;
};

struct CaptureSession {
  static unsigned CaptureThreadMain(void* argument); // takes a new std::shared_ptr<CaptureThreadContext>
  static unsigned SamplerThreadMain(void* argument);
  // The session whose capture thread calls this; null on any other thread.
  static const CaptureThreadContext* SessionOfThisThread();
  // Enters the Asking phase unless the session was cancelled; true when the
  // thread is to tell the user.
  static bool BeginAsking(CaptureThreadContext& context);
  // The capture loop failed: tell the user and ask whether to start again.
  static void AfterLoopError(CaptureThreadContext& context);
  static void PacketHandler(unsigned char* user, const PcapPacketHeader* header, const unsigned char* bytes);

  // Looks up the adapter's address and hands it to the packet handler.
  static void RefreshAddresses(CaptureEngine& engine, const std::string& device);

#ifndef _WIN32
  // Tests of the native build may take the pauses between attempts to open
  // over (the sampler's waits stay with the clock); the hook returns whether
  // the session ended the pause. Null restores real pauses.
  using PauseHook = bool (*)(std::uint32_t milliseconds, platform::StopSignal& cancelled);
  static void SetPauseHook(PauseHook hook);
#endif

private:
  // One attempt: the adapter's address, then pcap_open. The first one also
  // takes the look at the addresses that the sampler compares against.
  static PcapHandle* OpenOnce(CaptureThreadContext& context, bool first);
  // Attempts until one succeeds or the session's wait is over (telling the
  // window meanwhile); null also when the session was cancelled.
  static PcapHandle* OpenPatiently(CaptureThreadContext& context);
  // The pause before another attempt; true when the session was cancelled.
  static bool Pause(CaptureThreadContext& context, std::uint32_t milliseconds);
  // After a failed read: the two quiet attempts, counted in `reopens`.
  static PcapHandle* Reopen(CaptureThreadContext& context, unsigned& reopens);
  // Makes `handle` the engine's open capture; false when the session was
  // cancelled meanwhile.
  static bool Publish(CaptureThreadContext& context, PcapHandle* handle);
  static void Close(CaptureThreadContext& context, PcapHandle* handle, SessionFilter& filter);
  static void InstallFilter(CaptureThreadContext& context, PcapHandle* handle, SessionFilter& filter,
                            bool tell);
  // The capture loop, with its reopens; `handle` is the one open at the end
  // (or null). Returns the loop's last result.
  static int CaptureWithReopens(CaptureThreadContext& context, PcapHandle*& handle, SessionFilter& filter);
};
