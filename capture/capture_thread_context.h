#pragma once
// The record that a capture thread shares with its sampler thread. Both hold a
// reference, so it stays valid until the later of the two has ended.
#include <atomic>
#include <optional>
#include <string>

#include "capture/adapter_retry.h"
#include "platform/stop_signal.h"
#include "platform/thread.h"
#include "platform/ui_services.h"

class CaptureEngine;

enum class SessionPhase { Opening, Capturing, Asking, Ended };

// What a session captures: taken from the settings when it starts, and kept
// for a session that follows it after a loop error or a wake-up.
struct SessionOptions {
  std::string DeviceName; // in the library's narrow form
  std::string CaptureFilter;
  bool PromiscuousMode = false;
  bool Ipv6 = false; // IPv6 packets are told apart as well
};

struct CaptureThreadContext {
  // Set by the capture thread once the capture loop has returned; it wakes the
  // sampler from its wait, and the sampler ends.
  platform::StopSignal StopRequested;
  CaptureEngine* Engine = nullptr;

  // Set (under the engine's session lock) when this session is to end: by
  // StopCapture, or by a restart, also while the adapter is still opening or
  // while the thread waits for the user. Such a session never restarts itself.
  std::atomic<bool> CancelRequested{false};
  // Set with CancelRequested: ends the pauses between attempts to open.
  platform::StopSignal Cancelled;
  // Changed under the session lock; Asking while the thread shows a box.
  std::atomic<SessionPhase> Phase{SessionPhase::Opening};
  // Takes down the box of this session once the session is cancelled.
  platform::BoxCloser Boxes;

  // The options of this session, taken when it was started.
  SessionOptions Options;
  // How long it waits for an adapter that cannot be opened yet.
  AdapterWait Wait = AdapterWait::None;
  // A session after a wake-up goes on with the history before the sleep.
  bool KeepHistory = false;
  // The look at the adapter's addresses (AddressProbe) that went with the
  // lookup at the first open; the sampler notices a change against it.
  // Written before the sampler starts.
  std::optional<std::string> AddressLook;
  // The icon warned that the adapter was not ready, and no later warning
  // (the filter's) is to stay: the start ends the warning. Written before the
  // sampler starts.
  bool EndWaitWarning = false;

  platform::Thread Sampler; // used by the capture thread only
};
