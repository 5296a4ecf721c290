#pragma once
// The one capture engine: adapter, capture and sampler threads, history.
// (Public interface; the members behind it belong to the engine's files.)
#include <cstdint>

#include "capture/traffic_history.h"

class Settings;

struct EngineCounters {
  std::uint32_t PacketCount = 0;
  std::uint32_t CacheEntries = 0;
  std::uint32_t CacheHits = 0;
};

// Opaque handles of the user interface (HINSTANCE and HWND on Windows).
using ModuleHandle = void*;
using WindowHandle = void*;

class CaptureEngine {
public:
  // Configure's mask bits.
  static constexpr unsigned ConfigureInstance = 1, ConfigureWindow = 2, ConfigureSettings = 4,
                            ConfigureOnSample = 8;

  void Configure(ModuleHandle instance, WindowHandle window, Settings* settings, void (*onSample)(),
                 unsigned mask);
  bool StartCapture(bool restart);
  void StopCapture();
  bool SelectAdapter();

  void LockData();
  void UnlockData();
  // Throws std::logic_error("You have to lock the instance before using BPSData!")
  // unless the data lock is held.
  const TrafficHistory& GetBPSData() const;
  void ClearHistory();
  void RecomputeAverages();
  EngineCounters GetCounters() const;
};
