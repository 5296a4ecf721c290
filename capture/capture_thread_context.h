#pragma once
// The record that a capture thread shares with its sampler thread. Both hold a
// reference, so it stays valid until the later of the two has ended.
#include <atomic>
#include <string>

#include "platform/stop_signal.h"
#include "platform/thread.h"
#include "platform/ui_services.h"

class CaptureEngine;

enum class SessionPhase { Opening, Capturing, Asking, Ended };

struct CaptureThreadContext {
  // Set by the capture thread once the capture loop has returned; it wakes the
  // sampler from its wait, and the sampler ends.
  platform::StopSignal StopRequested;
  CaptureEngine* Engine = nullptr;

  // Set (under the engine's session lock) when this session is to end: by
  // StopCapture, or by a restart, also while the adapter is still opening or
  // while the thread waits for the user. Such a session never restarts itself.
  std::atomic<bool> CancelRequested{false};
  // Changed under the session lock; Asking while the thread shows a box.
  std::atomic<SessionPhase> Phase{SessionPhase::Opening};
  // Takes down the box of this session once the session is cancelled.
  platform::BoxCloser Boxes;

  // The options of this session, taken when it was started.
  std::string DeviceName; // in the library's narrow form
  std::string CaptureFilter;
  bool PromiscuousMode = false;
  bool Ipv6 = false;

  platform::Thread Sampler; // used by the capture thread only
};
