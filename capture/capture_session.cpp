#include "capture/capture_session.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "capture/adapter_addresses.h"
#include "capture/adapter_retry.h"
#include "capture/address_probe.h"
#include "capture/capture_engine.h"
#include "capture/capture_loop.h"
#include "capture/capture_thread_context.h"
#include "capture/sampler_math.h"
#include "capture/status_message.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "platform/ui_services.h"
#include "settings/settings.h"

namespace {

// The engine's five status texts.
constexpr const wchar_t* CaptureStartedText = L"Paketaufzeichnung wurde gestartet.";
// "werden werden" is kept on purpose: users and tests know these texts.
constexpr const wchar_t* FilterCompileText =
    L"Filter kann nicht kompiliert werden werden!\nDer Filter wird ignoriert.";
constexpr const wchar_t* FilterSetText =
    L"Filter kann nicht eingesetzt werden werden!\nDer Filter wird ignoriert.";
constexpr const wchar_t* AdapterOpenStatusText = L"Netzwerkadapter kann nicht geöffnet werden!";
constexpr const wchar_t* LoopEndedStatusText = L"Paketverarbeitungsschleife unerwartet beendet!";
// While a session waits for its adapter (the tip, after "Status: WARNUNG").
constexpr const wchar_t* LaunchWaitText = L"Netzwerkadapter noch nicht bereit.";
constexpr const wchar_t* ResumeWaitText = L"Netzwerkadapter nach dem Standby noch nicht bereit.";

constexpr int SnapshotLength = 128;
constexpr int ReadTimeoutMs = 100;
constexpr std::uint32_t FilterNetmask = 0x00FFFFFF;

std::shared_ptr<CaptureThreadContext> TakeContext(void* argument) {
  auto* holder = static_cast<std::shared_ptr<CaptureThreadContext>*>(argument);
  std::shared_ptr<CaptureThreadContext> context = std::move(*holder);
  delete holder;
  return context;
}

void SendStatus(WindowHandle window, std::uintptr_t wParam, const wchar_t* text) {
  platform::SendTextMessage(window, WM_STATUSINFO, wParam, text);
}

// "Netzwerkadapter noch nicht bereit.\nNächster Versuch in 4 s."
std::wstring WaitText(AdapterWait wait, std::uint32_t pauseMs) {
  return std::wstring(wait == AdapterWait::AfterResume ? ResumeWaitText : LaunchWaitText) +
         L"\nNächster Versuch in " + std::to_wstring((pauseMs + 999) / 1000) + L" s.";
}

thread_local const CaptureThreadContext* ThisThreadsSession = nullptr;

#ifndef _WIN32
std::atomic<CaptureSession::PauseHook> PauseHookFn{nullptr};
#endif

// Marks the calling thread as the capture thread of `context` for as long as
// it runs.
class SessionThreadScope {
public:
  explicit SessionThreadScope(const CaptureThreadContext& context) { ThisThreadsSession = &context; }
  SessionThreadScope(const SessionThreadScope&) = delete;
  SessionThreadScope& operator=(const SessionThreadScope&) = delete;
  ~SessionThreadScope() { ThisThreadsSession = nullptr; }
};

// The sampler's wait for a cycle that may take three intervals, in a form that
// cannot overflow.
std::uint32_t SamplerGrace(std::uint32_t interval) {
  const std::uint64_t grace = 3ull * interval;
  return grace > 0xFFFFFFFEull ? 0xFFFFFFFEu : static_cast<std::uint32_t>(grace);
}

} // namespace

void CaptureSession::PacketHandler(unsigned char* user, const PcapPacketHeader* header,
                                   const unsigned char* bytes) {
  CaptureEngine& engine = *reinterpret_cast<CaptureEngine*>(user);
  engine.LockData();
  engine.PacketCount.store(engine.PacketCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  AccountPacket(engine.IntervalCounts, engine.IntervalConnections, engine.Accounting, header->CapLen,
                header->Len, bytes);
  engine.UnlockData();
}

const CaptureThreadContext* CaptureSession::SessionOfThisThread() { return ThisThreadsSession; }

bool CaptureSession::BeginAsking(CaptureThreadContext& context) {
  CaptureEngine& engine = *context.Engine;
  platform::LockGuard guard(engine.SessionLock);
  // A session that was told to end has no news for the user.
  const bool ask = !context.CancelRequested;
  context.Phase = ask ? SessionPhase::Asking : SessionPhase::Ended;
  return ask;
}

void CaptureSession::RefreshAddresses(CaptureEngine& engine, const std::string& device) {
  AdapterAddresses addresses;
  const bool listed = LookUpAdapterAddresses(engine.Pcap.Calls(), device, addresses);
  // Packets counted so far stay as they were counted; the next ones go by
  // the new addresses.
  engine.UseAdapterAddresses(device, listed, addresses);
}

PcapHandle* CaptureSession::OpenOnce(CaptureThreadContext& context, bool first) {
  CaptureEngine& engine = *context.Engine;
  const PcapFunctions& pcap = engine.Pcap.Calls();
  const SessionOptions& options = context.Options;
  // The sampler takes it from here; taken before the lookup, so that a change
  // between the two shows as one.
  if (first) context.AddressLook = AddressProbe(options.DeviceName).Look(pcap, options.Ipv6);
  RefreshAddresses(engine, options.DeviceName);
  char errorBuffer[PcapErrorBufferSize] = {};
  PcapHandle* handle =
      pcap.Open(options.DeviceName.c_str(), SnapshotLength,
                options.PromiscuousMode ? PcapOpenFlagPromiscuous : 0, ReadTimeoutMs, nullptr, errorBuffer);
  if (handle == nullptr) return nullptr;
  // The link type is asked once per open handle: it tells where each packet's
  // IP header starts. No loop of this engine runs meanwhile.
  const LinkKind link = LinkKindOf(pcap.DataLink(handle));
  engine.LockData();
  engine.Accounting.Link = link;
  engine.Accounting.Ipv6 = options.Ipv6;
  engine.UnlockData();
  return handle;
}

PcapHandle* CaptureSession::OpenPatiently(CaptureThreadContext& context) {
  // The time waited is added up rather than read off the clock, so that a
  // slow open counts but a clock that jumps does not.
  std::uint32_t elapsed = 0;
  for (unsigned failed = 0;;) {
    const std::uint32_t before = platform::TickCount();
    if (PcapHandle* handle = OpenOnce(context, failed == 0)) return handle;
    elapsed += platform::TickCount() - before;
    const std::optional<std::uint32_t> pause = PauseBeforeNextOpen(context.Wait, ++failed, elapsed);
    if (!pause || context.CancelRequested) return nullptr;
    SendStatus(context.Engine->Window, AdapterWaitStatus, WaitText(context.Wait, *pause).c_str());
    context.EndWaitWarning = true;
    if (Pause(context, *pause)) return nullptr;
    elapsed += *pause;
  }
}

#ifndef _WIN32
void CaptureSession::SetPauseHook(PauseHook hook) { PauseHookFn = hook; }
#endif

bool CaptureSession::Pause(CaptureThreadContext& context, std::uint32_t milliseconds) {
#ifndef _WIN32
  if (PauseHook hook = PauseHookFn.load()) return hook(milliseconds, context.Cancelled);
#endif
  return context.Cancelled.Sleep(milliseconds);
}

PcapHandle* CaptureSession::Reopen(CaptureThreadContext& context, unsigned& reopens) {
  while (const std::optional<std::uint32_t> pause = PauseBeforeReopen(reopens)) {
    ++reopens;
    if (Pause(context, *pause)) return nullptr;
    if (PcapHandle* handle = OpenOnce(context, false)) return handle;
  }
  return nullptr;
}

bool CaptureSession::Publish(CaptureThreadContext& context, PcapHandle* handle) {
  CaptureEngine& engine = *context.Engine;
  platform::LockGuard guard(engine.SessionLock);
  // Replaced or stopped while the adapter was opening: not to be used.
  if (context.CancelRequested) return false;
  engine.CaptureHandle = handle;
  context.Phase = SessionPhase::Capturing;
  return true;
}

void CaptureSession::Close(CaptureThreadContext& context, PcapHandle* handle, SessionFilter& filter) {
  CaptureEngine& engine = *context.Engine;
  const PcapFunctions& pcap = engine.Pcap.Calls();
  if (filter.Compiled) pcap.FreeCode(&filter.Program);
  filter = SessionFilter{};
  {
    platform::LockGuard guard(engine.SessionLock);
    if (engine.CaptureHandle == handle) engine.CaptureHandle = nullptr;
  }
  pcap.Close(handle);
}

void CaptureSession::InstallFilter(CaptureThreadContext& context, PcapHandle* handle, SessionFilter& filter,
                                   bool tell) {
  CaptureEngine& engine = *context.Engine;
  const PcapFunctions& pcap = engine.Pcap.Calls();
  if (pcap.Compile(handle, &filter.Program, context.Options.CaptureFilter.c_str(), 1, FilterNetmask) < 0) {
    if (tell) {
      SendStatus(engine.Window, FilterWarningStatus, FilterCompileText);
      context.EndWaitWarning = false;
    }
    return;
  }
  filter.Compiled = true;
  if (pcap.SetFilter(handle, &filter.Program) < 0 && tell) {
    SendStatus(engine.Window, FilterWarningStatus, FilterSetText);
    context.EndWaitWarning = false;
  }
}

int CaptureSession::CaptureWithReopens(CaptureThreadContext& context, PcapHandle*& handle,
                                       SessionFilter& filter) {
  CaptureEngine& engine = *context.Engine;
  const PcapFunctions& pcap = engine.Pcap.Calls();
  unsigned reopens = 0;
  for (;;) {
    const std::uint32_t opened = platform::TickCount();
    const std::uint32_t packets = engine.PacketCount.load();
    const int result = RunCaptureLoop(pcap, handle, PacketHandler, reinterpret_cast<unsigned char*>(&engine),
                                      context.CancelRequested);
    if (result != PcapLoopError || context.CancelRequested) return result;
    // A read failed: the adapter may be resetting or gone for a moment. It is
    // reopened quietly, twice at most, unless the reopened one had worked.
    if (engine.PacketCount.load() != packets || platform::TickCount() - opened >= RecoveredAfterMs)
      reopens = 0;
    Close(context, handle, filter);
    handle = Reopen(context, reopens);
    if (handle == nullptr) return context.CancelRequested ? PcapLoopBroken : PcapLoopError;
    if (!Publish(context, handle)) {
      pcap.Close(handle);
      handle = nullptr;
      return PcapLoopBroken;
    }
    // The filter compiled before; should it fail now, the capture goes on
    // unfiltered as at the start, without telling twice.
    InstallFilter(context, handle, filter, false);
  }
}

unsigned CaptureSession::CaptureThreadMain(void* argument) {
  std::shared_ptr<CaptureThreadContext> context = TakeContext(argument);
  const SessionThreadScope scope(*context);
  CaptureEngine& engine = *context->Engine;

  PcapHandle* handle = OpenPatiently(*context);
  if (handle == nullptr) {
    if (BeginAsking(*context)) {
      SendStatus(engine.Window, CaptureErrorStatus, AdapterOpenStatusText);
      platform::ShowMessageBox(engine.Window, L"Adapter kann nicht geöffnet werden!", L"Fehler",
                               platform::BoxOk | platform::BoxIconExclamation, &context->Boxes);
    }
    context->Phase = SessionPhase::Ended;
    return 1;
  }
  if (!Publish(*context, handle)) {
    engine.Pcap.Calls().Close(handle);
    context->Phase = SessionPhase::Ended;
    return 0;
  }

  SessionFilter filter;
  InstallFilter(*context, handle, filter, true);

  if (!context->KeepHistory) {
    engine.LockData();
    engine.BPSData.Clear();
    engine.PacketCount = 0;
    engine.UnlockData();
  }

  auto* samplerArgument = new std::shared_ptr<CaptureThreadContext>(context);
  if (context->Sampler.Start(SamplerThreadMain, samplerArgument))
    context->Sampler.SetPriority(platform::ThreadPriority::TimeCritical);
  else
    delete samplerArgument;

  const int result = CaptureWithReopens(*context, handle, filter);
  // Wakes the sampler, which takes the last counts and ends.
  context->StopRequested.Set();

  const std::uint32_t interval = engine.AppSettings->Interval;
  if (!context->Sampler.WaitFor(SamplerGrace(interval))) {
    // The sampler is still busy with its last sample (a slow name lookup); it
    // ends by itself and the engine waits for it before it goes.
    platform::LockGuard guard(engine.SessionLock);
    engine.Retired.push_back({std::move(context->Sampler), context, false});
  }

  if (handle != nullptr) Close(*context, handle, filter);

  if (result == PcapLoopError) AfterLoopError(*context);
  context->Phase = SessionPhase::Ended;
  return 0;
}

void CaptureSession::AfterLoopError(CaptureThreadContext& context) {
  if (!BeginAsking(context)) return;
  CaptureEngine& engine = *context.Engine;
  SendStatus(engine.Window, CaptureErrorStatus, LoopEndedStatusText);
  const int answer = platform::ShowMessageBox(
      engine.Window,
      L"In der Paketverarbeitungsschleife ist ein Fehler aufgetreten!\n\nSoll versucht werden, das "
      L"Capturing neu zu starten?",
      L"Fehler in der Paketverarbeitung", platform::BoxYesNo | platform::BoxIconError, &context.Boxes);
  context.Phase = SessionPhase::Ended;
  // A session cancelled meanwhile (the program is closing, or the user
  // restarted capture) leaves the engine alone: it may be going away.
  if (answer == platform::AnswerYes && !context.CancelRequested) engine.StartCapture(false);
}

unsigned CaptureSession::SamplerThreadMain(void* argument) {
  std::shared_ptr<CaptureThreadContext> context = TakeContext(argument);
  CaptureEngine& engine = *context->Engine;
  Settings& settings = *engine.AppSettings;

  SendStatus(engine.Window, context->EndWaitWarning ? CaptureAfterWaitStatus : CaptureStartedStatus,
             CaptureStartedText);

  // Once per sample a cheap look at the adapter's addresses; a full lookup
  // only when it differs, or when Windows reported a change.
  AddressProbe probe(context->Options.DeviceName);
  std::optional<std::string> look = context->AddressLook;

  BPSSample working;
  std::uint32_t busy = 0;
  for (;;) {
    // An interval of 0 (only a hand-edited file holds one) would spin at
    // time-critical priority and divide by zero. The rates divide by the
    // interval waited for, even when the setting changes meanwhile.
    const std::uint32_t interval = std::max<std::uint32_t>(settings.Interval, 1);
    const bool stopping =
        context->StopRequested.IsSet() || (busy < interval && context->StopRequested.Sleep(interval - busy));
    const std::uint32_t t0 = platform::TickCount();
    const float factor = RateFactor(std::max(interval, busy));

    // Take the interval's counts and its busiest flow; the packet handler goes
    // on with the next interval at once.
    IntervalCounters counts;
    ConnectionEntry busiest;
    bool haveFlow = false;
    // The bytes count for the day the local clock shows now, also when it
    // was set back.
    const DayNumber today = UsageDayOf(platform::LocalDate());
    engine.LockData();
    counts = engine.IntervalCounts;
    settings.BytesTransmitted.fetch_add(static_cast<std::int64_t>(counts.Bytes));
    if (counts.Bytes != 0)
      engine.PendingUsage.Add(today, SplitInterval(counts.Bytes, counts.BytesIn, counts.BytesOut));
    if (const ConnectionEntry* top = engine.IntervalConnections.Busiest()) {
      busiest = *top;
      haveFlow = true;
    }
    engine.IntervalCounts = IntervalCounters{};
    engine.IntervalConnections.Clear();
    engine.UnlockData();

    FillRates(working, counts, factor);
    // Name lookups may wait on the network: never while holding the data lock,
    // which the packet handler, the painting and the tip need, and not for the
    // last sample, which must not hold up the stop.
    if (haveFlow && !stopping) {
      working.TopDstHost = engine.HostNames.HostName(busiest.Version, busiest.DstAddress);
      working.TopSrcHost = engine.HostNames.HostName(busiest.Version, busiest.SrcAddress);
      working.TopSrcPort = busiest.SrcPort;
      working.TopDstPort = busiest.DstPort;
    }

    engine.LockData();
    working.Average = SamplerAverage(engine.BPSData, settings.AvgTime, factor);
    engine.BPSData.Append(working);
    engine.UnlockData();
    // The loop has ended, so these were the last bytes of this capture.
    if (stopping) break;

    if (!context->StopRequested.IsSet()) {
      if (void (*onSample)() = engine.OnSample.load()) onSample();
    }

    const std::optional<std::string> now = probe.Look(engine.Pcap.Calls(), context->Options.Ipv6);
    const bool told = engine.AddressesChanged.exchange(false);
    if (told || (now && now != look)) RefreshAddresses(engine, context->Options.DeviceName);
    if (now) look = now;
    busy = platform::TickCount() - t0;
  }
  return 0;
}
