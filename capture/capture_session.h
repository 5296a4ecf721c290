#pragma once
// The engine's two worker threads and its packet handler.
#include "capture/pcap_api.h"

struct CaptureThreadContext;

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
};
