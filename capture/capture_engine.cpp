#include "capture/capture_engine.h"

#include <cstring>
#include <stdexcept>

#include "capture/adapter_dialog.h"
#include "capture/capture_session.h"
#include "capture/capture_thread_context.h"
#include "capture/sampler_math.h"
#include "platform/text_conversion.h"
#include "settings/settings.h"

namespace {

// How long an ending capture thread may keep its box up after it was taken
// down before the engine stops waiting for it: the taking down is retried
// meanwhile, since a box about to appear can slip past one attempt.
constexpr std::uint32_t BoxPollMs = 20;
constexpr int BoxPolls = 50;

} // namespace

CaptureEngine::CaptureEngine() = default;

CaptureEngine::~CaptureEngine() {
  StopCapture();
  std::vector<RetiredThread> remaining;
  {
    platform::LockGuard guard(SessionLock);
    remaining = std::move(Retired);
    Retired.clear();
  }
  for (RetiredThread& retired : remaining) {
    if (retired.Session) retired.Session->CancelRequested = true;
    AwaitEnd(retired.Thread, retired.Session.get(), retired.IsCaptureThread);
  }
  CaptureThread.Join(); // one that ended already, if any
}

void CaptureEngine::Configure(ModuleHandle instance, WindowHandle window, Settings* settings,
                              void (*onSample)(), unsigned mask) {
  if (mask & ConfigureInstance) Instance = instance;
  if (mask & ConfigureWindow) Window = window;
  if (mask & ConfigureSettings) AppSettings = settings;
  if (mask & ConfigureOnSample) OnSample = onSample;
}

void CaptureEngine::ReapRetired() {
  for (auto it = Retired.begin(); it != Retired.end();) {
    if (it->Thread.Finished()) {
      it->Thread.Join();
      it = Retired.erase(it);
    } else {
      ++it;
    }
  }
}

void CaptureEngine::UseAdapterAddresses(const std::string& device, bool listed,
                                        const AdapterAddresses& addresses) {
  LockData();
  // When the library could not list its adapters, the addresses known before
  // stay, but only those of this same adapter: another adapter's would count
  // its traffic as this one's.
  if (listed || device != AddressesDevice) {
    std::memcpy(Accounting.LocalIpv4, addresses.Ipv4, 4);
    Accounting.LocalIpv6 = addresses.Ipv6;
    AddressesDevice = device;
  }
  UnlockData();
}

void CaptureEngine::CancelSession(CaptureThreadContext& context) {
  context.CancelRequested = true;
  context.Cancelled.Set();
  if (PcapHandle* handle = CaptureHandle.load()) Pcap.Calls().BreakLoop(handle);
  context.Boxes.Close();
}

void CaptureEngine::AwaitEnd(platform::Thread& thread, CaptureThreadContext* session, bool isCaptureThread) {
  for (int polls = 0; !thread.WaitFor(BoxPollMs); ++polls) {
    if (!isCaptureThread || session == nullptr || session->Phase != SessionPhase::Asking) {
      // Busy with the adapter or a last sample: it ends without anybody's help.
      thread.Join();
      return;
    }
    session->Boxes.Close();
    if (polls == BoxPolls) {
      // The box did not go. The session is cancelled, so once the box is
      // answered the thread only touches its own session and ends.
      thread = platform::Thread();
      return;
    }
  }
}

bool CaptureEngine::StartCapture(bool restart, AdapterWait wait) {
  return StartSession(restart, wait, nullptr);
}

bool CaptureEngine::StartSession(bool restart, AdapterWait wait, const SessionOptions* options) {
  if (AppSettings == nullptr || !Pcap.Load()) return false;
  // After a loop error the capture thread itself starts the next session. It
  // must not read the settings record, which the window thread may be changing
  // at that moment (the settings sheet): it carries on with what its own
  // session captured. A change of those settings restarts capture from the
  // window thread anyway.
  const CaptureThreadContext* own = CaptureSession::SessionOfThisThread();
  if (own != nullptr) options = &own->Options;
  if (options == nullptr && AppSettings->DeviceName.empty() && RunAdapterDialog(*this) != AdapterDialogOk)
    return false;

  for (;;) {
    platform::Thread previous;
    std::shared_ptr<CaptureThreadContext> previousSession;
    {
      platform::LockGuard guard(SessionLock);
      ReapRetired();
      if (own != nullptr) {
        // Only the current session restarts itself, and only while nobody
        // ended or replaced it: at most one capture runs.
        if (own != Current.get() || own->CancelRequested) return false;
        Retired.push_back({std::move(CaptureThread), Current, true}); // this thread, about to end
      } else if (!CaptureThread.Finished()) {
        // A capture is open, still opening its adapter, or waiting for the user.
        if (!restart) return true;
        CancelSession(*Current);
        if (Current->Phase == SessionPhase::Asking) {
          Retired.push_back({std::move(CaptureThread), Current, true}); // ends once its box is gone
        } else {
          previous = std::move(CaptureThread);
          previousSession = Current;
        }
      }

      if (!previous.Started()) {
        CaptureThread.Join(); // a thread that has ended already, if any
        auto context = std::make_shared<CaptureThreadContext>();
        context->Engine = this;
        if (options != nullptr) {
          context->Options = *options;
        } else {
          context->Options.DeviceName = WideToNarrow(AppSettings->DeviceName);
          context->Options.CaptureFilter = WideToNarrow(AppSettings->CaptureFilter);
          context->Options.PromiscuousMode = AppSettings->PromiscuousMode;
          context->Options.Ipv6 = AppSettings->IPv6;
        }
        context->Wait = wait;
        // Only the session after a wake-up goes on with the history.
        context->KeepHistory = wait == AdapterWait::AfterResume;
        // A capture started meanwhile replaces the one the sleep ended.
        Suspended.reset();
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
    AwaitEnd(previous, previousSession.get(), true);
  }
}

void CaptureEngine::StopCapture() {
  platform::Thread previous;
  std::shared_ptr<CaptureThreadContext> session;
  {
    platform::LockGuard guard(SessionLock);
    ReapRetired();
    if (CaptureThread.IsCurrent() || CaptureThread.Finished()) return;
    CancelSession(*Current);
    previous = std::move(CaptureThread);
    session = Current;
  }
  // Also a thread that waits for the user: its box is taken down, so leaving
  // the program never waits for an answer.
  AwaitEnd(previous, session.get(), true);
}

bool CaptureEngine::SuspendCapture() {
  {
    platform::LockGuard guard(SessionLock);
    ReapRetired();
    if (CaptureThread.IsCurrent() || CaptureThread.Finished() || !Current) return false;
    Suspended = Current->Options;
  }
  StopCapture();
  return true;
}

bool CaptureEngine::ResumeCapture() {
  std::optional<SessionOptions> options;
  {
    platform::LockGuard guard(SessionLock);
    options.swap(Suspended);
  }
  return options && StartSession(false, AdapterWait::AfterResume, &*options);
}

bool CaptureEngine::SelectAdapter() {
  if (!Pcap.Load()) return false;
  // Whatever else ends the dialog (its owner destroyed, a failure) is no choice.
  return RunAdapterDialog(*this) == AdapterDialogOk;
}

// The flag is only for GetBPSData's check on the thread that holds the lock;
// the lock orders everything else. A sequentially consistent store would be
// a locked instruction twice per packet.
void CaptureEngine::LockData() {
  DataLock.Enter();
  DataLocked.store(true, std::memory_order_relaxed);
}

void CaptureEngine::UnlockData() {
  DataLocked.store(false, std::memory_order_relaxed);
  DataLock.Leave();
}

const TrafficHistory& CaptureEngine::GetBPSData() const {
  if (!DataLocked.load(std::memory_order_relaxed))
    throw std::logic_error("You have to lock the instance before using BPSData!");
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
