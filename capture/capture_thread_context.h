#pragma once
// The record that a capture thread shares with its sampler thread. Both hold a
// reference, so it stays valid until the later of the two has ended.
#include <atomic>
#include <string>

#include "platform/thread.h"

class CaptureEngine;

enum class SessionPhase { Opening, Capturing, Asking, Ended };

struct CaptureThreadContext {
  // Set by the capture thread once the capture loop has returned; the sampler
  // ends when it sees it.
  std::atomic<bool> StopRequested{false};
  CaptureEngine* Engine = nullptr;

  // Set (under the engine's session lock) when this session is to end: by
  // StopCapture, or by a restart, also while the adapter is still opening.
  std::atomic<bool> CancelRequested{false};
  // Changed under the session lock; Asking while the thread waits for the user.
  std::atomic<SessionPhase> Phase{SessionPhase::Opening};

  // The options of this session, taken when it was started.
  std::string DeviceName; // in the library's narrow form
  std::string CaptureFilter;
  bool PromiscuousMode = false;

  platform::Thread Sampler; // used by the capture thread only
};
