// Hundreds of random engine operations from the window thread while traffic
// flows, readers look at the history and the counters are polled, with the
// capture library and the name resolver failing on purpose. A watchdog turns a
// hang into a failure; at the end no byte, handle or thread may be missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/name_resolver.h"
#include "capture/status_message.h"
#include "platform/ui_services.h"
#include "settings/settings.h"
#include "tests/capture/stress_pcap.h"

namespace {

using Clock = std::chrono::steady_clock;

// Fails the whole test program when the test has not finished in time: a
// deadlock must not pass as a slow run.
class Watchdog {
public:
  Watchdog(std::chrono::seconds limit, const char* what) : What(what) {
    Thread = std::thread([this, limit] {
      std::unique_lock<std::mutex> lock(Mutex);
      if (!Done.wait_for(lock, limit, [this] { return Finished; })) {
        std::fprintf(stderr, "watchdog: %s did not finish in time (deadlock?)\n", What);
        std::fflush(stderr);
        std::_Exit(3);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      Finished = true;
    }
    Done.notify_all();
    Thread.join();
  }

private:
  const char* What;
  std::mutex Mutex;
  std::condition_variable Done;
  bool Finished = false;
  std::thread Thread;
};

// Status messages and message boxes as the window would see them.
struct UiLog {
  std::mutex Mutex;
  std::vector<std::string> BadMessages;
  int Messages = 0;
  int Boxes = 0;
  int RestartYes = 0;
  std::minstd_rand Random{7};
};
UiLog Ui;

bool KnownStatus(std::uintptr_t wParam, const std::wstring& text) {
  if (wParam == CaptureStartedStatus) return text == L"Paketaufzeichnung wurde gestartet.";
  if (wParam == FilterWarningStatus)
    return text == L"Filter kann nicht kompiliert werden werden!\nDer Filter wird ignoriert." ||
           text == L"Filter kann nicht eingesetzt werden werden!\nDer Filter wird ignoriert.";
  if (wParam == CaptureErrorStatus)
    return text == L"Netzwerkadapter kann nicht geöffnet werden!" ||
           text == L"Paketverarbeitungsschleife unerwartet beendet!";
  return false;
}

void OnStatus(WindowHandle, unsigned message, std::uintptr_t wParam, const wchar_t* text) {
  std::lock_guard<std::mutex> lock(Ui.Mutex);
  ++Ui.Messages;
  if (message != WM_STATUSINFO || text == nullptr || !KnownStatus(wParam, text))
    Ui.BadMessages.push_back("message " + std::to_string(message) + " wParam " + std::to_string(wParam));
}

int OnBox(WindowHandle, const wchar_t*, const wchar_t*, unsigned flags, const platform::BoxCloser* closer) {
  int thinkMs;
  bool yes;
  {
    std::lock_guard<std::mutex> lock(Ui.Mutex);
    ++Ui.Boxes;
    // The user takes a while, so restarts and stops meet an open box; then
    // the restart question is answered yes or no, at random.
    thinkMs = static_cast<int>(Ui.Random() % 30);
    yes = Ui.Random() % 2 == 0;
  }
  for (int i = 0; i < thinkMs; ++i) {
    if (closer != nullptr && closer->Closed()) return platform::DeclineAnswer(flags);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if ((flags & 0xF) != platform::BoxYesNo) return platform::AnswerOk;
  std::lock_guard<std::mutex> lock(Ui.Mutex);
  Ui.RestartYes += yes;
  return yes ? platform::AnswerYes : platform::AnswerNo;
}

std::atomic<int> SamplesTaken{0};
void OnSample() { ++SamplesTaken; }

// What every reader of the history may rely on.
void CheckHistory(CaptureEngine& engine, std::vector<std::string>& problems) {
  engine.LockData();
  const TrafficHistory& history = engine.GetBPSData();
  std::int64_t maxTotal = 0;
  for (std::size_t i = 0; i < history.size(); ++i) {
    const BPSSample s = history[i];
    const auto bad = [&](const char* what) {
      problems.push_back("sample " + std::to_string(i) + ": " + what);
    };
    if (s.Total < 0 || s.In < 0 || s.Out < 0) bad("negative rate");
    if (s.Other != s.Total - s.In - s.Out || s.Other < 0) bad("Other is not Total - In - Out");
    if (i == 0 && s.Average != 0) bad("first sample with an average");
    // An average divides by a window of at least half a sample, so it can
    // exceed the largest earlier total a little, never by far.
    if (s.Average < 0 || s.Average > 4 * maxTotal) bad("average far outside the earlier totals");
    if ((s.TopSrcPort == 0) != (s.TopDstPort == 0)) bad("half a busiest flow");
    if (s.TopSrcPort != 0 && !(s.TopDstPort == 9999 || (s.TopSrcPort == 9999 && s.TopDstPort >= 40000)))
      bad("busiest flow with ports never sent");
    if (!stress::IsStressHostName(s.TopSrcHost) || !stress::IsStressHostName(s.TopDstHost))
      bad("host name from nowhere");
    maxTotal = std::max(maxTotal, s.Total);
  }
  engine.UnlockData();
}

class EngineStress : public ::testing::Test {
protected:
  void SetUp() override {
    stress::ResetAll();
    SetPcapFunctions(&stress::StressPcapFunctions());
    SetNameResolver(stress::StressResolver);
    platform::SetTextMessageHook(OnStatus);
    platform::SetMessageBoxHook(OnBox);
    platform::BindWindowThread();
    settings.SetDefaults();
    settings.DeviceName = L"stress0";
    settings.CaptureFilter = L"udp or tcp";
    settings.Interval = 20;
    settings.AvgTime = 2;
  }
  void TearDown() override {
    platform::UnbindWindowThread();
    platform::SetTextMessageHook(nullptr);
    platform::SetMessageBoxHook(nullptr);
    SetNameResolver(nullptr);
    SetPcapFunctions(nullptr);
  }

  Settings settings;
};

} // namespace

TEST_F(EngineStress, RandomOperationsWithFaultsKeepEveryByteAndLeakNothing) {
  Watchdog watchdog(std::chrono::seconds(240), "the engine stress run");
  stress::Faults& faults = stress::CurrentFaults();
  stress::Ledger& ledger = stress::CurrentLedger();
  std::vector<std::string> problems;
  // Another seed from the environment gives another run (for long trials).
  const char* seedText = std::getenv("BYTWACHT_STRESS_SEED");
  const unsigned seed =
      seedText != nullptr ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20261207u;
  std::mt19937 random(seed);
  int operations = 0;

  {
    CaptureEngine engine;
    engine.Configure(nullptr, nullptr, &settings, OnSample, 15);

    // Polls the counters without the lock, as the graph does, and a reader
    // that takes the lock from a thread of its own.
    std::atomic<bool> stopPolling{false};
    std::atomic<int> counterProblems{0};
    std::thread poller([&] {
      std::uint32_t lastHits = 0, lastEntries = 0;
      for (int i = 0; i < 100000 && !stopPolling; ++i) {
        const EngineCounters c = engine.GetCounters();
        if (c.CacheHits < lastHits || c.CacheEntries < lastEntries) ++counterProblems;
        lastHits = c.CacheHits;
        lastEntries = c.CacheEntries;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    std::thread reader([&] {
      std::vector<std::string> own;
      for (int i = 0; i < 20000 && !stopPolling; ++i) {
        CheckHistory(engine, own);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
      if (!own.empty()) counterProblems += static_cast<int>(own.size());
    });

    const auto deadline = Clock::now() + std::chrono::seconds(90);
    for (; operations < 400 && Clock::now() < deadline; ++operations) {
      switch (random() % 20) {
      case 0:
      case 1: EXPECT_TRUE(engine.StartCapture(false)); break;
      case 2: EXPECT_TRUE(engine.StartCapture(true)); break;
      case 3: engine.StopCapture(); break;
      case 4:
        // A new interval, as the settings sheet sets it: the history restarts.
        settings.Interval = std::vector<unsigned>{20, 50, 100}[random() % 3];
        engine.ClearHistory();
        break;
      case 5:
        settings.AvgTime = std::vector<int>{0, 1, 2, 3, 5, 10}[random() % 6];
        engine.RecomputeAverages();
        break;
      case 6:
      case 7: CheckHistory(engine, problems); break;
      case 8: faults.FailingOpens += 1; break;
      case 9: faults.FailingCompiles += 1; break;
      case 10: faults.FailingSetFilters += 1; break;
      case 11: faults.LoopFailsAfter = 1 + static_cast<int>(random() % 200); break;
      case 12:
        if (random() % 3 == 0) faults.SlowResolves += 1;
        break;
      case 13: faults.FailingDeviceLists += 1; break;
      case 14:
        // The settings sheet writes the record while a failed loop may be
        // restarting capture from the capture thread.
        settings.CaptureFilter = random() % 2 == 0 ? L"udp or tcp" : L"tcp or udp";
        settings.DeviceName = std::wstring(L"stress0");
        settings.PromiscuousMode = random() % 2 == 0;
        break;
      default: break;
      }
      // The window thread handles what the engine threads sent meanwhile.
      const int pumps = 1 + static_cast<int>(random() % 40);
      for (int i = 0; i < pumps; ++i) {
        platform::PumpSentMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }

    // A last clean capture, with the traffic stopped, takes whatever earlier
    // sessions left in the interval counters.
    faults.FailingOpens = 0;
    faults.LoopFailsAfter = 0;
    faults.SlowResolves = 0;
    faults.TrafficPaused = true;
    EXPECT_TRUE(engine.StartCapture(true));
    for (int i = 0; i < 60; ++i) {
      platform::PumpSentMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    engine.StopCapture();
    stopPolling = true;
    poller.join();
    reader.join();
    EXPECT_EQ(counterProblems, 0);
    CheckHistory(engine, problems);
  } // the engine waits for every thread it started

  for (const std::string& p : problems)
    ADD_FAILURE() << p;
  {
    std::lock_guard<std::mutex> lock(Ui.Mutex);
    for (const std::string& m : Ui.BadMessages)
      ADD_FAILURE() << "unexpected status " << m;
    std::printf(
        "seed %u, operations %d, packets %llu, bytes %llu, opens %d, loop failures %d, restarts by the "
        "box %d, lookups %d, status messages %d, samples %d\n",
        seed, operations, static_cast<unsigned long long>(ledger.DeliveredPackets.load()),
        static_cast<unsigned long long>(ledger.DeliveredBytes.load()), ledger.Opens.load(),
        ledger.LoopFailures.load(), Ui.RestartYes, ledger.Resolves.load(), Ui.Messages, SamplesTaken.load());
  }
  EXPECT_GE(operations, 200);
  EXPECT_GT(ledger.DeliveredPackets, 0u);
  EXPECT_EQ(static_cast<std::uint64_t>(settings.BytesTransmitted.load()), ledger.DeliveredBytes.load())
      << "bytes counted differ from the bytes handed to the engine";
  EXPECT_EQ(ledger.OpenHandles, 0) << "capture handles left open";
  EXPECT_EQ(ledger.MostOpenAtOnce, 1) << "more than one capture at a time";
  EXPECT_EQ(ledger.DeviceLists, 0) << "device lists not freed";
  EXPECT_EQ(ledger.Programs, 0) << "filter programs not freed";
}
