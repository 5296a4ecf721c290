#pragma once
// The engine's two worker threads and its packet handler.
#include "capture/pcap_api.h"

struct CaptureSession {
  static unsigned CaptureThreadMain(void* argument); // takes a new std::shared_ptr<CaptureThreadContext>
  static unsigned SamplerThreadMain(void* argument);
  static void PacketHandler(unsigned char* user, const PcapPacketHeader* header, const unsigned char* bytes);
};
