// Captures one adapter with the real engine until the traffic has stopped, then
// prints the bytes it counted, for the loss measurements of scripts/rel-loss.sh.
//   rel_live_count DEVICE [--filter TEXT] [--quiet-seconds S] [--max-seconds S]
// Prints "ready" once the capture runs, then "bytes=N packets=P" at the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "capture/capture_engine.h"
#include "platform/text_conversion.h"
#include "settings/settings.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: rel_live_count DEVICE [--filter TEXT] [--quiet-seconds S] [--max-seconds S]\n");
    return 2;
  }
  Settings settings;
  settings.SetDefaults();
  settings.DeviceName = NarrowToWide(argv[1]);
  settings.CaptureFilter = L"";
  int quietSeconds = 3;
  int maxSeconds = 300;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--filter") == 0)
      settings.CaptureFilter = NarrowToWide(argv[i + 1]);
    else if (std::strcmp(argv[i], "--quiet-seconds") == 0)
      quietSeconds = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--max-seconds") == 0)
      maxSeconds = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }

  CaptureEngine engine;
  engine.Configure(nullptr, nullptr, &settings, nullptr, 15);
  if (!engine.StartCapture(false)) {
    std::fprintf(stderr, "capture did not start\n");
    return 1;
  }
  // The adapter is opened on the capture thread; give it a moment.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::printf("ready\n");
  std::fflush(stdout);

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto lastChange = start;
  long long last = 0;
  std::uint32_t packets = 0;
  while (Clock::now() - start < std::chrono::seconds(maxSeconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const long long now = settings.BytesTransmitted;
    packets = engine.GetCounters().PacketCount;
    if (now != last) {
      last = now;
      lastChange = Clock::now();
    } else if (last > 0 && Clock::now() - lastChange > std::chrono::seconds(quietSeconds)) {
      break;
    }
  }
  engine.StopCapture();
  std::printf("bytes=%lld packets=%u\n", static_cast<long long>(settings.BytesTransmitted), packets);
  return 0;
}
