#include "capture/capture_session.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "capture/adapter_addresses.h"
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

thread_local const CaptureThreadContext* ThisThreadsSession = nullptr;

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

unsigned CaptureSession::CaptureThreadMain(void* argument) {
  std::shared_ptr<CaptureThreadContext> context = TakeContext(argument);
  const SessionThreadScope scope(*context);
  CaptureEngine& engine = *context->Engine;
  const PcapFunctions& pcap = engine.Pcap.Calls();

  AdapterAddresses addresses;
  const bool listed = LookUpAdapterAddresses(pcap, context->DeviceName, addresses);

  char errorBuffer[PcapErrorBufferSize] = {};
  PcapHandle* handle =
      pcap.Open(context->DeviceName.c_str(), SnapshotLength,
                context->PromiscuousMode ? PcapOpenFlagPromiscuous : 0, ReadTimeoutMs, nullptr, errorBuffer);
  if (handle == nullptr) {
    if (BeginAsking(*context)) {
      SendStatus(engine.Window, CaptureErrorStatus, AdapterOpenStatusText);
      platform::ShowMessageBox(engine.Window, L"Adapter kann nicht geöffnet werden!", L"Fehler",
                               platform::BoxOk | platform::BoxIconExclamation, &context->Boxes);
    }
    context->Phase = SessionPhase::Ended;
    return 1;
  }
  bool cancelled;
  {
    platform::LockGuard guard(engine.SessionLock);
    cancelled = context->CancelRequested;
    if (!cancelled) engine.CaptureHandle = handle;
    context->Phase = cancelled ? SessionPhase::Ended : SessionPhase::Capturing;
  }
  if (cancelled) {
    // Replaced or stopped while the adapter was opening.
    pcap.Close(handle);
    return 0;
  }

  PcapProgram program{};
  bool compiled = false;
  if (pcap.Compile(handle, &program, context->CaptureFilter.c_str(), 1, FilterNetmask) < 0) {
    SendStatus(engine.Window, FilterWarningStatus, FilterCompileText);
  } else {
    compiled = true;
    if (pcap.SetFilter(handle, &program) < 0) SendStatus(engine.Window, FilterWarningStatus, FilterSetText);
  }

  // The link type is asked once per open handle: it tells where each packet's
  // IP header starts.
  const LinkKind link = LinkKindOf(pcap.DataLink(handle));
  engine.UseAdapterAddresses(context->DeviceName, listed, addresses);
  engine.LockData();
  engine.Accounting.Link = link;
  engine.Accounting.Ipv6 = context->Ipv6;
  engine.BPSData.Clear();
  engine.PacketCount = 0;
  engine.UnlockData();

  auto* samplerArgument = new std::shared_ptr<CaptureThreadContext>(context);
  if (context->Sampler.Start(SamplerThreadMain, samplerArgument))
    context->Sampler.SetPriority(platform::ThreadPriority::TimeCritical);
  else
    delete samplerArgument;

  const int result = RunCaptureLoop(pcap, handle, PacketHandler, reinterpret_cast<unsigned char*>(&engine),
                                    context->CancelRequested);
  // Wakes the sampler, which takes the last counts and ends.
  context->StopRequested.Set();

  const std::uint32_t interval = engine.AppSettings->Interval;
  if (!context->Sampler.WaitFor(SamplerGrace(interval))) {
    // The sampler is still busy with its last sample (a slow name lookup); it
    // ends by itself and the engine waits for it before it goes.
    platform::LockGuard guard(engine.SessionLock);
    engine.Retired.push_back({std::move(context->Sampler), context, false});
  }

  if (compiled) pcap.FreeCode(&program);
  {
    platform::LockGuard guard(engine.SessionLock);
    engine.CaptureHandle = nullptr;
  }
  pcap.Close(handle);

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

  SendStatus(engine.Window, CaptureStartedStatus, CaptureStartedText);

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
    busy = platform::TickCount() - t0;
  }
  return 0;
}
