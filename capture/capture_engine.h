#pragma once
// The one capture engine: adapter, capture and sampler threads, history.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/adapter_addresses.h"
#include "capture/adapter_retry.h"
#include "capture/capture_thread_context.h"
#include "capture/flow_table.h"
#include "capture/host_name_cache.h"
#include "capture/packet_accounting.h"
#include "capture/pcap_api.h"
#include "capture/traffic_history.h"
#include "capture/usage_history.h"
#include "platform/handles.h"
#include "platform/lock.h"
#include "platform/thread.h"

class Settings;

struct EngineCounters {
  std::uint32_t PacketCount = 0;
  std::uint32_t CacheEntries = 0;
  std::uint32_t CacheHits = 0;
};

class CaptureEngine {
public:
  // Configure's mask bits.
  static constexpr unsigned ConfigureInstance = 1, ConfigureWindow = 2, ConfigureSettings = 4,
                            ConfigureOnSample = 8;

  CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;
  // Stops the capture and waits for every thread the engine started.
  ~CaptureEngine();

  void Configure(ModuleHandle instance, WindowHandle window, Settings* settings, void (*onSample)(),
                 unsigned mask);
  // False when the capture library cannot be loaded, the adapter dialog was
  // cancelled or no thread could be started. `wait` is how long the new
  // session keeps trying an adapter that cannot be opened yet.
  bool StartCapture(bool restart, AdapterWait wait = AdapterWait::None);
  void StopCapture();
  // The machine goes to sleep: ends the capture as StopCapture does (its last
  // bytes counted) and keeps its adapter, filter and mode for ResumeCapture.
  // True when a capture was running, opening or asking.
  bool SuspendCapture();
  // The machine woke up: starts what SuspendCapture ended again, with the
  // history kept, waiting up to two minutes for the adapter. Nothing when
  // nothing was suspended (a second wake-up message, say).
  bool ResumeCapture();
  // Windows reported that addresses changed: the capture looks up its
  // adapter's addresses at its next sample.
  void AddressesMayHaveChanged() { AddressesChanged = true; }
  // The modal adapter dialog; false when it was cancelled.
  bool SelectAdapter();

  void LockData();
  void UnlockData();
  // Throws std::logic_error("You have to lock the instance before using BPSData!")
  // unless the data lock is held.
  const TrafficHistory& GetBPSData() const;
  void ClearHistory();
  void RecomputeAverages();
  EngineCounters GetCounters() const;
  // Hands the usage that the sampler booked since the last call to the
  // caller: `into` (pass an empty one) and the engine's delta swap places.
  // Returns `settings.BytesTransmitted` as it stood at that same moment, so a
  // saved total and the saved usage always tell of the same bytes.
  std::int64_t TakeUsage(UsageDelta& into, const Settings& settings);

private:
  friend struct CaptureSession;
  friend int RunAdapterDialog(CaptureEngine& engine);

  TrafficHistory BPSData;
  std::atomic<bool> DataLocked{false};
  HostNameCache HostNames;
  platform::Lock DataLock;
  IntervalCounters IntervalCounts; // IntervalBytes, IntervalBytesIn, IntervalBytesOut
  FlowTable IntervalConnections;
  UsageDelta PendingUsage;                   // booked with BytesTransmitted, under DataLock
  std::atomic<std::uint32_t> PacketCount{0}; // written under DataLock, read without
  // LocalAddress and the IPv6 addresses, the link type and the IPv6 switch of
  // the open capture; under DataLock.
  AccountingSetup Accounting;
  std::string AddressesDevice; // the adapter whose addresses Accounting holds
  Settings* AppSettings = nullptr;
  ModuleHandle Instance = nullptr;
  WindowHandle Window = nullptr;
  std::atomic<void (*)()> OnSample{nullptr};
  std::atomic<PcapHandle*> CaptureHandle{nullptr};
  platform::Thread CaptureThread;

  PcapLibrary Pcap;
  // Guards CaptureThread, Current and Retired, and every change of
  // CaptureHandle, so that pcap_breakloop never meets a closed handle.
  platform::Lock SessionLock;
  std::shared_ptr<CaptureThreadContext> Current;
  // A thread that is no longer the current capture but may still be
  // finishing, with the session it works for.
  struct RetiredThread {
    platform::Thread Thread;
    std::shared_ptr<CaptureThreadContext> Session;
    bool IsCaptureThread; // may be waiting for the user in a box of its session
  };
  // A capture thread that restarted the capture itself, one replaced while it
  // waited for the user, a sampler that outlived its capture thread's wait.
  std::vector<RetiredThread> Retired;

  // What SuspendCapture ended; taken by ResumeCapture, dropped by a start.
  // Guarded by SessionLock.
  std::optional<SessionOptions> Suspended;
  // Set by AddressesMayHaveChanged, taken by the sampler.
  std::atomic<bool> AddressesChanged{false};

  void ReapRetired();
  // Takes the addresses of `device` from a look-up (`listed` false when it
  // failed) for the classification of its packets.
  void UseAdapterAddresses(const std::string& device, bool listed, const AdapterAddresses& addresses);
  // StartCapture with the options of an earlier session, when given.
  bool StartSession(bool restart, AdapterWait wait, const SessionOptions* options);
  // Ends the session of `context`: no loop entered any more, a running loop
  // broken, a box it shows taken down. Caller holds SessionLock.
  void CancelSession(CaptureThreadContext& context);
  // Waits for the end of a thread of a cancelled session. A capture thread
  // still waiting for the user after its box was taken down is let go.
  static void AwaitEnd(platform::Thread& thread, CaptureThreadContext* session, bool isCaptureThread);
};
