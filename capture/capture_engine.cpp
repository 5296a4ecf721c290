#include "capture/capture_engine.h"

#include <stdexcept>

#include "capture/adapter_dialog.h"
#include "capture/capture_session.h"
#include "capture/capture_thread_context.h"
#include "capture/sampler_math.h"
#include "platform/text_conversion.h"
#include "settings/settings.h"

CaptureEngine::CaptureEngine() = default;

CaptureEngine::~CaptureEngine() {
  StopCapture();
  std::vector<platform::Thread> remaining;
  {
    platform::LockGuard guard(SessionLock);
    remaining = std::move(Retired);
    Retired.clear();
    remaining.push_back(std::move(CaptureThread));
  }
  for (platform::Thread& thread : remaining)
    thread.Join();
}

void CaptureEngine::Configure(ModuleHandle instance, WindowHandle window, Settings* settings,
                              void (*onSample)(), unsigned mask) {
  if (mask & ConfigureInstance) Instance = instance;
  if (mask & ConfigureWindow) Window = window;
  if (mask & ConfigureSettings) AppSettings = settings;
  if (mask & ConfigureOnSample) OnSample = onSample;
}

void CaptureEngine::ReapRetired(bool wait) {
  for (auto it = Retired.begin(); it != Retired.end();) {
    if (wait || it->Finished()) {
      it->Join();
      it = Retired.erase(it);
    } else {
      ++it;
    }
  }
}

void CaptureEngine::CancelSession(CaptureThreadContext& context) {
  context.CancelRequested = true;
  if (PcapHandle* handle = CaptureHandle.load()) Pcap.Calls().BreakLoop(handle);
}

bool CaptureEngine::StartCapture(bool restart) {
  if (AppSettings == nullptr || !Pcap.Load()) return false;
  // After a loop error the capture thread itself starts the next session. It
  // must not read the settings record, which the window thread may be changing
  // at that moment (the settings sheet): it carries on with what its own
  // session captured. A change of those settings restarts capture from the
  // window thread anyway.
  std::shared_ptr<const CaptureThreadContext> ending;
  {
    platform::LockGuard guard(SessionLock);
    if (CaptureThread.IsCurrent()) ending = Current;
  }
  if (!ending && AppSettings->DeviceName.empty() && RunAdapterDialog(*this) == AdapterDialogCancelled)
    return false;

  for (;;) {
    platform::Thread previous;
    {
      platform::LockGuard guard(SessionLock);
      ReapRetired(false);
      if (CaptureThread.IsCurrent()) {
        // The capture thread restarts after a loop error: it is about to end.
        if (Current && Current->CancelRequested) return false;
        Retired.push_back(std::move(CaptureThread));
      } else if (!CaptureThread.Finished()) {
        // A capture is open or still opening its adapter.
        if (!restart) return true;
        CancelSession(*Current);
        if (Current->Phase == SessionPhase::Asking)
          Retired.push_back(std::move(CaptureThread)); // ends once the user answered
        else
          previous = std::move(CaptureThread);
      }

      if (!previous.Started()) {
        CaptureThread.Join(); // a thread that has ended already, if any
        auto context = std::make_shared<CaptureThreadContext>();
        context->Engine = this;
        if (ending) {
          context->DeviceName = ending->DeviceName;
          context->CaptureFilter = ending->CaptureFilter;
          context->PromiscuousMode = ending->PromiscuousMode;
        } else {
          context->DeviceName = WideToNarrow(AppSettings->DeviceName);
          context->CaptureFilter = WideToNarrow(AppSettings->CaptureFilter);
          context->PromiscuousMode = AppSettings->PromiscuousMode;
        }
        auto* argument = new std::shared_ptr<CaptureThreadContext>(context);
        std::shared_ptr<CaptureThreadContext> before = std::move(Current);
        Current = context;
        if (!CaptureThread.Start(CaptureSession::CaptureThreadMain, argument)) {
          delete argument;
          Current = std::move(before);
          return false;
        }
        CaptureThread.SetPriority(platform::ThreadPriority::AboveNormal);
        return true;
      }
    }
    // Outside the lock: the old thread takes it on its way out.
    previous.Join();
  }
}

void CaptureEngine::StopCapture() {
  platform::Thread previous;
  {
    platform::LockGuard guard(SessionLock);
    ReapRetired(false);
    if (CaptureThread.IsCurrent() || CaptureThread.Finished()) return;
    CancelSession(*Current);
    if (Current->Phase == SessionPhase::Asking) {
      Retired.push_back(std::move(CaptureThread));
      return;
    }
    previous = std::move(CaptureThread);
  }
  previous.Join();
}

bool CaptureEngine::SelectAdapter() {
  if (!Pcap.Load()) return false;
  return RunAdapterDialog(*this) != AdapterDialogCancelled;
}

void CaptureEngine::LockData() {
  DataLock.Enter();
  DataLocked = true;
}

void CaptureEngine::UnlockData() {
  DataLocked = false;
  DataLock.Leave();
}

const TrafficHistory& CaptureEngine::GetBPSData() const {
  if (!DataLocked) throw std::logic_error("You have to lock the instance before using BPSData!");
  return BPSData;
}

void CaptureEngine::ClearHistory() {
  LockData();
  BPSData.Clear();
  UnlockData();
}

void CaptureEngine::RecomputeAverages() {
  if (AppSettings == nullptr) return;
  const std::int32_t avgTime = AppSettings->AvgTime;
  if (avgTime == 1) return;
  LockData();
  RecomputeHistoryAverages(BPSData, avgTime, AppSettings->Interval);
  UnlockData();
}

std::int64_t CaptureEngine::TakeUsage(UsageDelta& into, const Settings& settings) {
  LockData();
  PendingUsage.swap(into);
  const std::int64_t total = settings.BytesTransmitted.load();
  UnlockData();
  return total;
}

EngineCounters CaptureEngine::GetCounters() const {
  EngineCounters counters;
  counters.PacketCount = PacketCount.load(std::memory_order_relaxed);
  counters.CacheEntries = HostNames.CacheEntries();
  counters.CacheHits = HostNames.CacheHits();
  return counters;
}
