// The life of a capture session, seen from the window: which status messages
// and boxes arrive, which adapter calls are made, and what the history holds.
// The capture library, the clock, the window and the name resolver are
// played by the test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "capture/capture_engine.h"
#include "capture/name_resolver.h"
#include "capture/status_message.h"
#include "capture/adapter_dialog.h"
#include "engine_harness.h"
#include "fake_pcap.h"
#include "frames.h"
#include "platform/ui_services.h"
#include "settings/settings.h"

using namespace testframes;

namespace {

WindowHandle const TestWindow = reinterpret_cast<WindowHandle>(0x1234);

const Ipv4 Local{192, 168, 0, 10};
const Ipv4 Remote{10, 0, 0, 1};
const Ipv4 Far{10, 0, 0, 9};

// The resolver: 192.168.0.10 is "self.local", 10.0.0.9 "far.example", the
// rest fails. It can be held until released, and can make a lookup take time
// on the test clock.
struct ResolverState {
  std::mutex Mutex;
  std::condition_variable Changed;
  bool Hold = false;
  bool Waiting = false;
  std::uint32_t Takes = 0;
  int Calls = 0;
} Resolver;

bool FakeResolve(IpVersion version, const std::uint8_t* address, std::string& host) {
  std::uint32_t takes;
  {
    std::unique_lock<std::mutex> lock(Resolver.Mutex);
    takes = Resolver.Takes;
    ++Resolver.Calls;
    Resolver.Waiting = true;
    Resolver.Changed.notify_all();
    Resolver.Changed.wait(lock, [] { return !Resolver.Hold; });
    Resolver.Waiting = false;
  }
  harness::clock::Advance(takes);
  if (version == IpVersion::V6) return false;
  if (address[0] == 192) {
    host = "self.local";
    return true;
  }
  if (address[3] == 9) {
    host = "far.example";
    return true;
  }
  return false;
}

void HoldResolver(bool hold) {
  std::lock_guard<std::mutex> lock(Resolver.Mutex);
  Resolver.Hold = hold;
  Resolver.Changed.notify_all();
}

bool WaitUntilResolverWaits() {
  std::unique_lock<std::mutex> lock(Resolver.Mutex);
  return Resolver.Changed.wait_for(lock, std::chrono::seconds(5), [] { return Resolver.Waiting; });
}

int ResolverCalls() {
  std::lock_guard<std::mutex> lock(Resolver.Mutex);
  return Resolver.Calls;
}

Settings* DialogSettings = nullptr;
int DialogCalls = 0;
int DialogAnswer = 2;
int FakeDialog(Settings* settings) {
  ++DialogCalls;
  DialogSettings = settings;
  if (DialogAnswer == 1) settings->DeviceName = L"fake0";
  return DialogAnswer;
}

class CaptureSessionTest : public ::testing::Test {
protected:
  harness::Watchdog Dog{60, "capture session test"};
  Settings AppSettings;
  std::unique_ptr<CaptureEngine> Engine;

  void SetUp() override {
    AppSettings.SetDefaults();
    AppSettings.DeviceName = L"fake0";
    AppSettings.BytesTransmitted = 5;
    fakepcap::Install();
    harness::clock::Install();
    harness::pauses::Install();
    harness::window::Install(platform::AnswerNo);
    {
      std::lock_guard<std::mutex> lock(Resolver.Mutex);
      Resolver.Hold = false;
      Resolver.Takes = 0;
      Resolver.Calls = 0;
    }
    SetNameResolver(FakeResolve);
    DialogCalls = 0;
    SetAdapterDialogHook(FakeDialog);
    Engine = std::make_unique<CaptureEngine>();
    Engine->Configure(nullptr, TestWindow, &AppSettings, harness::window::OnSample, 15);
  }

  void TearDown() override {
    harness::clock::FreeRun();
    HoldResolver(false);
    Engine.reset();
    SetAdapterDialogHook(nullptr);
    SetNameResolver(nullptr);
    harness::window::Uninstall();
    harness::pauses::Uninstall();
    harness::clock::Uninstall();
    fakepcap::Uninstall();
  }

  // Starts and waits until the sampler announced the capture.
  void StartAndWait(bool restart = false, std::size_t started = 1) {
    ASSERT_TRUE(Engine->StartCapture(restart));
    ASSERT_TRUE(harness::window::WaitForStatuses(started, CaptureStartedStatus));
  }

  // Lets the sampler run freely (so that it sees the end at once) and stops.
  void Stop() {
    harness::clock::FreeRun();
    Engine->StopCapture();
  }

  std::vector<BPSSample> Samples() {
    std::vector<BPSSample> out;
    Engine->LockData();
    const TrafficHistory& history = Engine->GetBPSData();
    for (std::size_t i = 0; i < history.size(); ++i)
      out.push_back(history[i]);
    Engine->UnlockData();
    return out;
  }

  bool WaitForSamples(std::size_t count) {
    for (int i = 0; i < 5000; ++i) {
      if (Samples().size() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  // The sums over the history once its totals reach `total` (with the sampler
  // running freely); what they are when that does not happen within 5 s.
  BPSSample SumsOnceTotalIs(std::int64_t total) {
    BPSSample sums;
    for (int i = 0; i < 5000; ++i) {
      sums = BPSSample{};
      for (const BPSSample& s : Samples()) {
        sums.Total += s.Total;
        sums.In += s.In;
        sums.Out += s.Out;
        sums.Other += s.Other;
      }
      if (sums.Total >= total) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return sums;
  }

  // Delivers the frames and runs one sampler cycle.
  void Interval(const std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>>& frames) {
    const std::size_t before = Samples().size();
    for (const auto& frame : frames)
      fakepcap::Inject(frame.first, frame.second);
    ASSERT_TRUE(fakepcap::WaitDelivered());
    harness::clock::Step();
    ASSERT_TRUE(WaitForSamples(before + 1));
  }
};

TEST_F(CaptureSessionTest, WithoutAnAdapterTheDialogDecides) {
  AppSettings.DeviceName.clear();
  // Cancel, and whatever else ends the dialog without OK (its owner destroyed
  // gives 0, a failure -1): no capture.
  for (int answer : {2, 0, -1}) {
    DialogAnswer = answer;
    EXPECT_FALSE(Engine->StartCapture(false)) << answer;
    EXPECT_FALSE(Engine->SelectAdapter()) << answer;
  }
  EXPECT_EQ(DialogCalls, 6);
  EXPECT_EQ(fakepcap::Stats().OpenAttempts, 0);

  DialogAnswer = 1;
  StartAndWait();
  EXPECT_EQ(DialogSettings, &AppSettings);
  EXPECT_EQ(DialogCalls, 7);
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.LastDevice, "fake0");
  EXPECT_EQ(stats.LastSnapLength, 128);
  EXPECT_EQ(stats.LastFlags, 0);
  EXPECT_EQ(stats.LastTimeout, 100);
  EXPECT_EQ(stats.LastFilter, "not arp");
  EXPECT_TRUE(Engine->SelectAdapter());
  DialogAnswer = 2;
  EXPECT_FALSE(Engine->SelectAdapter());
}

TEST_F(CaptureSessionTest, AMissingCaptureLibraryFailsTheStart) {
  PcapFunctions incomplete = fakepcap::Functions();
  incomplete.Dispatch = nullptr;
  SetPcapFunctions(&incomplete);
  CaptureEngine engine; // loads the library afresh
  engine.Configure(nullptr, TestWindow, &AppSettings, nullptr, 15);
  EXPECT_FALSE(engine.StartCapture(false));
  EXPECT_EQ(fakepcap::Stats().OpenAttempts, 0);
}

TEST_F(CaptureSessionTest, PromiscuousModeOpensWithItsFlag) {
  AppSettings.PromiscuousMode = true;
  StartAndWait();
  EXPECT_EQ(fakepcap::Stats().LastFlags, 1);
}

TEST_F(CaptureSessionTest, AStartWhileCapturingKeepsTheCaptureAndARestartReplacesIt) {
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  EXPECT_TRUE(Engine->StartCapture(false));
  EXPECT_EQ(fakepcap::Stats().Opens, 1);
  EXPECT_EQ(Engine->GetCounters().PacketCount, 1u);
  EXPECT_EQ(Samples().size(), 1u);

  harness::clock::FreeRun();
  StartAndWait(true, 2);
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.Opens, 2);
  EXPECT_EQ(stats.Closes, 1);
  EXPECT_EQ(stats.MostOpenAtOnce, 1);
  EXPECT_EQ(stats.FreeCodes, 1);
  // The new capture started with an empty history and no packets.
  EXPECT_EQ(Engine->GetCounters().PacketCount, 0u);
  EXPECT_TRUE(fakepcap::WaitForDispatchers(1));

  Engine->StopCapture();
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
  Engine->StopCapture(); // nothing open: returns at once
  EXPECT_EQ(fakepcap::Stats().BreakLoops, 2);
}

TEST_F(CaptureSessionTest, AnAdapterThatCannotBeOpenedKeepsTheOldHistory) {
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  harness::clock::FreeRun(); // let the old sampler finish its last cycle
  Engine->StopCapture();
  const std::size_t kept = Samples().size();
  ASSERT_GE(kept, 1u);

  fakepcap::Behaviour broken;
  broken.OpenFails = true;
  fakepcap::Install(broken);
  EXPECT_TRUE(Engine->StartCapture(true));
  ASSERT_TRUE(harness::window::WaitForBoxes(1));
  Engine->StopCapture();
  const std::vector<harness::Box> boxes = harness::window::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, L"Adapter kann nicht geöffnet werden!");
  EXPECT_EQ(boxes[0].Caption, L"Fehler");
  EXPECT_EQ(boxes[0].Flags, 0x30u); // MB_OK | MB_ICONEXCLAMATION
  const std::vector<harness::Status> statuses = harness::window::Statuses();
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().WParam, 0x34u);
  EXPECT_EQ(statuses.back().Text, L"Netzwerkadapter kann nicht geöffnet werden!");
  EXPECT_EQ(Samples().size(), kept);
  EXPECT_EQ(fakepcap::Stats().Opens, 0);
}

TEST_F(CaptureSessionTest, AFilterThatDoesNotCompileIsIgnoredWithOneWarning) {
  fakepcap::Behaviour plan;
  plan.CompileFails = true;
  fakepcap::Install(plan);
  AppSettings.CaptureFilter = L"not a filter ((";
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  const std::vector<harness::Status> statuses = harness::window::Statuses();
  ASSERT_EQ(statuses.size(), 2u);
  EXPECT_EQ(statuses[0].WParam, 0x32u);
  EXPECT_EQ(statuses[0].Text, L"Filter kann nicht kompiliert werden werden!\nDer Filter wird ignoriert.");
  EXPECT_EQ(statuses[1].Text, L"Paketaufzeichnung wurde gestartet.");
  EXPECT_EQ(Samples().back().Total, 100);
  Stop();
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.LastFilter, "not a filter ((");
  EXPECT_EQ(stats.SetFilters, 0);
  EXPECT_EQ(stats.FreeCodes, 0); // nothing compiled, nothing to free
}

TEST_F(CaptureSessionTest, AFilterThatCannotBeSetIsIgnoredWithOneWarning) {
  fakepcap::Behaviour plan;
  plan.SetFilterFails = true;
  fakepcap::Install(plan);
  StartAndWait();
  Stop();
  const std::vector<harness::Status> statuses = harness::window::Statuses();
  ASSERT_GE(statuses.size(), 2u);
  EXPECT_EQ(statuses[0].WParam, 0x32u);
  EXPECT_EQ(statuses[0].Text, L"Filter kann nicht eingesetzt werden werden!\nDer Filter wird ignoriert.");
  EXPECT_EQ(fakepcap::Stats().FreeCodes, 1);
}

TEST_F(CaptureSessionTest, ALoopErrorAnsweredNoLeavesTheEngineIdleUntilRestarted) {
  StartAndWait();
  harness::clock::FreeRun();
  // The adapter is away: both quiet reopens fail, then the user is asked.
  fakepcap::FailOpens(2);
  fakepcap::FailNextRead();
  ASSERT_TRUE(harness::window::WaitForBoxes(1));
  const harness::Box box = harness::window::Boxes()[0];
  EXPECT_EQ(box.Text,
            L"In der Paketverarbeitungsschleife ist ein Fehler aufgetreten!\n\nSoll versucht werden, "
            L"das Capturing neu zu starten?");
  EXPECT_EQ(box.Caption, L"Fehler in der Paketverarbeitung");
  EXPECT_EQ(box.Flags, 0x14u); // MB_YESNO | MB_ICONERROR
  ASSERT_TRUE(harness::window::WaitForStatuses(1, CaptureErrorStatus));
  EXPECT_EQ(harness::window::Statuses().back().Text, L"Paketverarbeitungsschleife unerwartet beendet!");

  Engine->StopCapture(); // waits for the failed thread if it is still there
  fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.OpenAttempts, 3);
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 3000}));
  EXPECT_EQ(stats.Opens, 1);
  EXPECT_EQ(stats.OpenNow, 0);
  EXPECT_EQ(stats.DispatchersNow, 0);

  StartAndWait(true, 2);
  EXPECT_EQ(fakepcap::Stats().Opens, 2);
}

TEST_F(CaptureSessionTest, ALoopErrorAnsweredYesRestartsAtOnce) {
  harness::window::SetBoxAnswer(platform::AnswerYes);
  StartAndWait();
  harness::clock::FreeRun();
  fakepcap::FailOpens(2);
  fakepcap::FailNextRead();
  ASSERT_TRUE(harness::window::WaitForStatuses(2, CaptureStartedStatus));
  ASSERT_TRUE(fakepcap::WaitForDispatchers(1));
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.Opens, 2);
  EXPECT_EQ(stats.OpenNow, 1);
  EXPECT_EQ(stats.MostOpenAtOnce, 1);
  Engine->StopCapture();
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
}

// Runs `work` on a thread of its own; false when it has not finished within
// `ms`. Then whatever holds it up is let go, so that the test can end.
template <typename Work> bool FinishesWithin(int ms, Work work) {
  std::atomic<bool> done{false};
  std::thread runner([&] {
    work();
    done = true;
  });
  for (int waited = 0; !done && waited < ms; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const bool inTime = done;
  if (!inTime) {
    harness::clock::FreeRun();
    harness::window::ReleaseBoxes(platform::AnswerNo);
  }
  runner.join();
  return inTime;
}

// Leaving the program while the restart question is up: the question is taken
// down, no new capture starts, and the engine goes at once with every byte of
// the failed capture counted.
TEST_F(CaptureSessionTest, LeavingWhileTheRestartQuestionIsUpTakesItDown) {
  harness::window::HoldBoxes();
  StartAndWait();
  fakepcap::Inject(Ipv4Frame(Remote, Local, Udp, 1, 2), 900);
  ASSERT_TRUE(fakepcap::WaitDelivered());
  fakepcap::FailOpens(2); // both quiet reopens too
  fakepcap::FailNextRead();
  ASSERT_TRUE(harness::window::WaitForBoxesShowing(1));
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 905) << "the failed capture's last bytes";

  EXPECT_TRUE(FinishesWithin(2000, [&] {
    Engine->StopCapture();
    Engine.reset();
  }));
  EXPECT_EQ(harness::window::BoxesTakenDown(), 1);
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.OpenAttempts, 3);
  EXPECT_EQ(stats.OpenNow, 0);
}

// The user restarts capture from the menu while the question of the failed
// session is up, that restart cannot open the adapter, and then the old
// question is answered Yes (its box slipped past being taken down): the
// replaced session starts nothing.
TEST_F(CaptureSessionTest, AReplacedSessionNeverRestartsItself) {
  harness::window::HoldBoxes(false);
  StartAndWait();
  fakepcap::FailOpens(2);
  fakepcap::FailNextRead();
  ASSERT_TRUE(harness::window::WaitForBoxesShowing(1));

  fakepcap::Behaviour broken;
  broken.OpenFails = true;
  fakepcap::Install(broken);
  harness::clock::FreeRun();
  EXPECT_TRUE(Engine->StartCapture(true));
  ASSERT_TRUE(harness::window::WaitForBoxes(2)); // "Adapter kann nicht geöffnet werden!"
  harness::window::ReleaseBoxes(platform::AnswerYes);
  EXPECT_TRUE(FinishesWithin(2000, [&] { Engine.reset(); }));
  EXPECT_EQ(fakepcap::Stats().OpenAttempts, 1);
}

// With a long interval the sampler sleeps for a minute; stopping wakes it, and
// the bytes of the unfinished interval still count in the total.
TEST_F(CaptureSessionTest, StoppingDoesNotWaitForALongInterval) {
  AppSettings.Interval = 60000;
  StartAndWait();
  fakepcap::Inject(Ipv4Frame(Remote, Local, Udp, 1, 2), 700);
  ASSERT_TRUE(fakepcap::WaitDelivered());
  ASSERT_TRUE(harness::clock::WaitUntilAsleep());
  EXPECT_TRUE(FinishesWithin(2000, [&] { Engine->StopCapture(); }));
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 705);
  // One last sample, over the interval as always, and no call back for it.
  const std::vector<BPSSample> samples = Samples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(samples[0].Total, 11);
  EXPECT_EQ(harness::window::OnSampleCalls(), 0);
}

// The settings sheet may be writing the record (this thread) while the capture
// thread restarts after a loop error: the restart keeps its session's adapter,
// filter and mode and never reads the record (a data race the concurrency
// build reports).
TEST_F(CaptureSessionTest, ALoopErrorRestartKeepsItsSessionsChoicesWhileTheSheetWrites) {
  harness::window::SetBoxAnswer(platform::AnswerYes);
  AppSettings.CaptureFilter = L"tcp";
  StartAndWait();
  harness::clock::FreeRun();
  fakepcap::FailOpens(2);
  fakepcap::FailNextRead();
  for (int i = 0; fakepcap::Stats().Opens < 2 && i < 200000; ++i) {
    AppSettings.CaptureFilter = i % 2 == 0 ? L"udp port 53" : L"udp port 5353";
    AppSettings.DeviceName = i % 2 == 0 ? L"other0" : L"other1";
  }
  ASSERT_TRUE(harness::window::WaitForStatuses(2, CaptureStartedStatus));
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.Opens, 2);
  EXPECT_EQ(stats.LastDevice, "fake0");
  EXPECT_EQ(stats.LastFilter, "tcp");
  Engine->StopCapture();
}

TEST_F(CaptureSessionTest, AWindowThreadWaitingForTheEngineStillReceivesItsStatusMessages) {
  // The filter warning and the start message are sent while this thread, the
  // window thread, waits in StopCapture or StartCapture(true).
  fakepcap::Behaviour plan;
  plan.CompileFails = true;
  plan.CompileDelayMs = 100;
  fakepcap::Install(plan);
  harness::clock::FreeRun();
  platform::BindWindowThread();
  auto compiling = [](int count) {
    while (fakepcap::Stats().Compiles < count)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  ASSERT_TRUE(Engine->StartCapture(false));
  compiling(1);
  Engine->StopCapture();
  ASSERT_TRUE(Engine->StartCapture(false));
  compiling(2);
  ASSERT_TRUE(Engine->StartCapture(true));
  compiling(3);
  Engine->StopCapture();
  platform::UnbindWindowThread();
  const std::vector<harness::Status> statuses = harness::window::Statuses();
  // Three filter warnings and three start messages.
  ASSERT_EQ(statuses.size(), 6u);
  for (const harness::Status& status : statuses)
    EXPECT_EQ(status.Thread, std::this_thread::get_id()) << "handled by the window thread";
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
}

TEST_F(CaptureSessionTest, ARestartWhileTheAdapterIsStillOpeningLeavesOneCapture) {
  fakepcap::Behaviour plan;
  plan.OpenWaitsForGate = true;
  fakepcap::Install(plan);
  ASSERT_TRUE(Engine->StartCapture(false));
  // The first thread now waits inside pcap_open; let it go a little later.
  std::thread opener([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    fakepcap::ReleaseOpenGate();
  });
  EXPECT_TRUE(Engine->StartCapture(true));
  opener.join();
  ASSERT_TRUE(harness::window::WaitForStatuses(1, CaptureStartedStatus));
  ASSERT_TRUE(fakepcap::WaitForDispatchers(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.MostOpenAtOnce, 1);
  EXPECT_EQ(stats.OpenNow, 1);
  EXPECT_EQ(stats.DispatchersNow, 1);
  EXPECT_EQ(harness::window::Statuses().size(), 1u); // one capture announced itself
  Stop();
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
}

TEST_F(CaptureSessionTest, TheHistoryIsReadOnlyUnderTheLock) {
  try {
    Engine->GetBPSData();
    FAIL() << "no exception";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "You have to lock the instance before using BPSData!");
  }
  Engine->LockData();
  EXPECT_NO_THROW(Engine->GetBPSData());
  Engine->UnlockData();
  EXPECT_THROW(Engine->GetBPSData(), std::logic_error);
}

// Sampler cycles on the test clock.

TEST_F(CaptureSessionTest, ASampleTurnsTheIntervalIntoRates) {
  AppSettings.Interval = 1000;
  AppSettings.AvgTime = 60;
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Icmp), 1000},
            {Ipv4Frame(Local, Remote, Icmp), 500},
            {FrameWithEtherType(0x0806, 60), 1500}});
  std::vector<BPSSample> samples = Samples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(samples[0].Total, 3000);
  EXPECT_EQ(samples[0].In, 1000);
  EXPECT_EQ(samples[0].Out, 500);
  EXPECT_EQ(samples[0].Other, 1500);
  EXPECT_EQ(samples[0].Average, 0);
  EXPECT_EQ(samples[0].TopSrcPort, 0);
  EXPECT_TRUE(samples[0].TopSrcHost.empty());
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 3005);
  EXPECT_TRUE(harness::window::WaitForSampleCalls(1));
  EXPECT_EQ(harness::window::OnSampleCalls(), 1);
  EXPECT_EQ(Engine->GetCounters().PacketCount, 3u);

  Interval({});
  samples = Samples();
  EXPECT_EQ(samples[1].Total, 0);
  EXPECT_EQ(samples[1].Average, 3000);

  // A new interval while the sampler waits: that wait ends after the old
  // 1000 ms and its rates divide by them; the next cycle waits 500 ms and its
  // rates per second double.
  ASSERT_TRUE(harness::clock::WaitUntilAsleep());
  AppSettings.Interval = 500;
  Interval({{Ipv4Frame(Remote, Local, Icmp), 100}});
  EXPECT_EQ(Samples()[2].Total, 100);
  EXPECT_EQ(Samples()[2].Average, 1500);
  Interval({{Ipv4Frame(Remote, Local, Icmp), 100}});
  EXPECT_EQ(harness::clock::LastSleep(), 500u);
  EXPECT_EQ(Samples()[3].Total, 200);

  Engine->ClearHistory();
  Interval({{Ipv4Frame(Remote, Local, Icmp), 100}});
  ASSERT_EQ(Samples().size(), 1u);
  EXPECT_EQ(Samples()[0].Average, 0);
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 3305);
}

TEST_F(CaptureSessionTest, TheBusiestFlowIsNamedOnceAndThenFromTheCache) {
  StartAndWait();
  Interval({{Ipv4Frame(Local, Remote, Tcp, 1000, 80), 1500}, {Ipv4Frame(Remote, Local, Tcp, 80, 1000), 60}});
  BPSSample sample = Samples().back();
  EXPECT_EQ(sample.TopSrcPort, 1000);
  EXPECT_EQ(sample.TopDstPort, 80);
  EXPECT_EQ(sample.TopSrcHost, L"self.local");
  EXPECT_EQ(sample.TopDstHost, L"10.0.0.1 [F]");
  EngineCounters counters = Engine->GetCounters();
  EXPECT_EQ(counters.CacheEntries, 2u);
  EXPECT_EQ(counters.CacheHits, 0u);

  // No flow in this interval: the previous flow's figures stay.
  Interval({{FrameWithEtherType(0x0806, 60), 60}});
  sample = Samples().back();
  EXPECT_EQ(sample.TopDstHost, L"10.0.0.1 [F]");
  EXPECT_EQ(sample.TopSrcPort, 1000);

  // The same addresses again: both from the cache, the failure too.
  Interval({{Ipv4Frame(Remote, Local, Udp, 53, 53), 100}});
  EXPECT_EQ(Engine->GetCounters().CacheHits, 2u);
  EXPECT_EQ(ResolverCalls(), 2);
  EXPECT_EQ(Samples().back().TopSrcHost, L"10.0.0.1 [F]");

  // Source and destination equal: one lookup, then one hit.
  Interval({{Ipv4Frame(Far, Far, Udp, 7, 7), 100}});
  EXPECT_EQ(ResolverCalls(), 3);
  counters = Engine->GetCounters();
  EXPECT_EQ(counters.CacheEntries, 3u);
  EXPECT_EQ(counters.CacheHits, 3u);
  EXPECT_EQ(Samples().back().TopSrcHost, L"far.example");

  // A restart keeps the cache.
  harness::clock::FreeRun();
  StartAndWait(true, 2);
  fakepcap::Inject(Ipv4Frame(Far, Local, Udp, 9, 9), 100);
  for (int i = 0; i < 5000 && Samples().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bool seen = false;
  for (int i = 0; i < 5000 && !seen; ++i) {
    for (const BPSSample& s : Samples())
      seen = seen || s.TopSrcPort == 9;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(seen);
  EXPECT_EQ(ResolverCalls(), 3);
}

TEST_F(CaptureSessionTest, NameLookupsDoNotHoldUpPacketsOrReaders) {
  AppSettings.Interval = 1000;
  StartAndWait();
  HoldResolver(true);
  {
    std::lock_guard<std::mutex> lock(Resolver.Mutex);
    Resolver.Takes = 3000; // the lookups of this cycle take three seconds
  }
  fakepcap::Inject(Ipv4Frame(Local, Remote, Udp, 5000, 53), 700);
  ASSERT_TRUE(fakepcap::WaitDelivered());
  harness::clock::Step();
  ASSERT_TRUE(WaitUntilResolverWaits());

  // While the sampler waits for the name: packets are counted and the
  // history can be read.
  fakepcap::Inject(Ipv4Frame(Remote, Local, Icmp), 3000);
  EXPECT_TRUE(fakepcap::WaitDelivered(2000));
  Engine->LockData();
  EXPECT_TRUE(Engine->GetBPSData().empty());
  Engine->UnlockData();
  EXPECT_EQ(Engine->GetCounters().PacketCount, 2u);

  {
    std::lock_guard<std::mutex> lock(Resolver.Mutex);
    Resolver.Takes = 0;
  }
  HoldResolver(false);
  ASSERT_TRUE(WaitForSamples(1));
  EXPECT_EQ(Samples()[0].Total, 700);
  EXPECT_EQ(Samples()[0].TopSrcHost, L"self.local");
  // The slow cycle took three seconds: the next one starts without sleeping
  // and divides by three seconds.
  const int sleeps = harness::clock::Sleeps();
  ASSERT_TRUE(WaitForSamples(2));
  EXPECT_EQ(harness::clock::Sleeps(), sleeps);
  EXPECT_EQ(Samples()[1].Total, 1000);
  EXPECT_EQ(Samples()[1].In, 1000);
}

TEST_F(CaptureSessionTest, AnAdapterWithoutAnIPv4AddressClassifiesNothingAsItsOwn) {
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Icmp), 100}});
  EXPECT_EQ(Samples().back().In, 100);

  // "fake1" has no address: the previous adapter's must not stay.
  harness::clock::FreeRun();
  AppSettings.DeviceName = L"fake1";
  StartAndWait(true, 2);
  fakepcap::Inject(Ipv4Frame(Remote, Local, Icmp), 100);
  fakepcap::Inject(Ipv4Frame(Local, Remote, Icmp), 100);
  const BPSSample sums = SumsOnceTotalIs(200);
  EXPECT_EQ(sums.Total, 200);
  EXPECT_EQ(sums.Other, 200);
}

TEST_F(CaptureSessionTest, AFailedAdapterListKeepsOnlyTheSameAdaptersAddresses) {
  StartAndWait();
  harness::clock::FreeRun();
  Engine->StopCapture();
  fakepcap::Behaviour noList;
  noList.EnumerationFails = true;
  fakepcap::Install(noList);
  auto inOfOneSession = [&](std::size_t started) {
    StartAndWait(true, started);
    fakepcap::Inject(Ipv4Frame(Remote, Local, Icmp), 100);
    const BPSSample sums = SumsOnceTotalIs(100);
    EXPECT_EQ(sums.Total, 100);
    Engine->StopCapture();
    return sums.In;
  };
  EXPECT_EQ(inOfOneSession(2), 100); // the same adapter: its address is still right
  AppSettings.DeviceName = L"fake1";
  EXPECT_EQ(inOfOneSession(3), 0); // another adapter: nothing known about it
}

TEST_F(CaptureSessionTest, TheLinkTypeIsAskedOncePerCaptureAndIPv6FollowsTheSetting) {
  fakepcap::Behaviour loopback;
  loopback.LinkType = 0; // DLT_NULL, as Npcap's loopback adapter
  fakepcap::Install(loopback);
  AppSettings.IPv6 = true;
  StartAndWait();
  const Ipv6 local6{0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  const Ipv6 remote6{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  Interval({{Framed(Link::NullLittleEndian, Ipv6Packet(remote6, local6, Udp, 53, 4000)), 300},
            {Framed(Link::NullLittleEndian, Ipv4Packet(Local, Remote, Udp, 4000, 53)), 200}});
  BPSSample sample = Samples().back();
  EXPECT_EQ(sample.In, 300);
  EXPECT_EQ(sample.Out, 200);
  EXPECT_EQ(sample.TopSrcHost, L"2001:db8::1 [F]");
  EXPECT_EQ(sample.TopDstHost, L"fd00::10 [F]");
  EXPECT_EQ(fakepcap::Stats().DataLinks, 1);

  // Switched off, the capture starts again and IPv6 is other traffic.
  harness::clock::FreeRun();
  AppSettings.IPv6 = false;
  StartAndWait(true, 2);
  fakepcap::Inject(Framed(Link::NullLittleEndian, Ipv6Packet(remote6, local6, Udp, 53, 4000)), 300);
  EXPECT_EQ(SumsOnceTotalIs(300).Other, 300);
  EXPECT_EQ(fakepcap::Stats().DataLinks, 2);
}

} // namespace

namespace {

// The local date the sampler books on; the test moves it.
std::atomic<DayNumber> TestToday{0};
platform::CalendarDate TestDate() { return ToCalendarDate(TestToday.load()); }

class DateHookGuard {
public:
  explicit DateHookGuard(DayNumber today) {
    TestToday = today;
    platform::SetLocalDateHook(TestDate);
  }
  DateHookGuard(const DateHookGuard&) = delete;
  DateHookGuard& operator=(const DateHookGuard&) = delete;
  ~DateHookGuard() { platform::SetLocalDateHook(nullptr); }
};

} // namespace

TEST_F(CaptureSessionTest, EachIntervalIsBookedOnTheLocalDayOfItsSample) {
  const DayNumber newYearsEve = ToDayNumber({2026, 12, 31});
  DateHookGuard date(newYearsEve);
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 1000},
            {Ipv4Frame(Local, Remote, Udp, 2, 1), 300},
            {Ipv4Frame(Remote, Far, Icmp), 50}});
  // Midnight passes during the next interval: its sample is taken on the new day.
  TestToday = newYearsEve + 1;
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 2000}});
  // The clock is set back: the bytes go to the day it shows again.
  TestToday = newYearsEve;
  Interval({{Ipv4Frame(Local, Remote, Udp, 2, 1), 700}});
  Interval({}); // no traffic, no row

  UsageDelta taken;
  const std::int64_t total = Engine->TakeUsage(taken, AppSettings);
  UsageHistory usage;
  usage.Merge(taken);
  EXPECT_EQ(usage.Days().size(), 2u);
  EXPECT_EQ(usage.Day(newYearsEve), (UsageCounts{1000, 1000, 50}));
  EXPECT_EQ(usage.Day(newYearsEve + 1), (UsageCounts{2000, 0, 0}));
  EXPECT_EQ(total, 5 + 4050);

  // Taken once only; a reset of the running total leaves the usage alone.
  AppSettings.BytesTransmitted = 0;
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 10}});
  taken.clear();
  EXPECT_EQ(Engine->TakeUsage(taken, AppSettings), 10);
  ASSERT_EQ(taken.Days().size(), 1u);
  EXPECT_EQ(taken.Days()[0].second, (UsageCounts{10, 0, 0}));
  Stop();
}

TEST_F(CaptureSessionTest, EveryByteIsBookedOnceWhileSavesTakeTheUsageAtRandomMoments) {
  DateHookGuard date(ToDayNumber({2026, 3, 28}));
  const DayNumber firstDay = TestToday;
  StartAndWait();
  harness::clock::FreeRun();

  std::atomic<bool> feeding{true};
  std::uint64_t sent[3] = {}; // in, out, other
  std::thread feeder([&] {
    std::mt19937 random(15);
    std::uniform_int_distribution<std::uint32_t> length(60, 70000);
    std::uniform_int_distribution<int> kind(0, 2), day(0, 40);
    const Ipv4 sources[3] = {Remote, Local, Remote}, targets[3] = {Local, Remote, Far};
    for (int round = 0; round < 40; ++round) {
      for (int i = 0; i < 500; ++i) {
        const int k = kind(random);
        const std::uint32_t wire = length(random);
        fakepcap::Inject(Ipv4Frame(sources[k], targets[k], Udp, 7, 9), wire);
        sent[k] += wire;
      }
      fakepcap::WaitDelivered();
      // The date wanders both ways, as with time-zone changes and a clock set back.
      TestToday = firstDay + day(random);
    }
    feeding = false;
  });

  // Between two hand-overs the usage grows by exactly what the total grows by.
  UsageHistory usage;
  UsageDelta taken;
  std::int64_t previous = 5;
  int takes = 0;
  auto takeAndCheck = [&] {
    const std::uint64_t before = usage.Sum().Total();
    const std::int64_t total = Engine->TakeUsage(taken, AppSettings);
    usage.Merge(taken);
    taken.clear();
    EXPECT_EQ(usage.Sum().Total() - before, static_cast<std::uint64_t>(total - previous)) << "take " << takes;
    previous = total;
    ++takes;
  };
  while (feeding)
    takeAndCheck();
  feeder.join();
  ASSERT_TRUE(fakepcap::WaitDelivered());
  const std::int64_t all = static_cast<std::int64_t>(sent[0] + sent[1] + sent[2]);
  for (int i = 0; i < 5000 && AppSettings.BytesTransmitted.load() != 5 + all; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  takeAndCheck();
  Stop();

  EXPECT_EQ(previous, 5 + all);
  EXPECT_EQ(usage.Sum(), (UsageCounts{sent[0], sent[1], sent[2]}));
  EXPECT_GT(usage.Days().size(), 5u);
  EXPECT_GT(takes, 10);
}

// Waits until the capture loop runs on its `opens`-th opened handle.
bool WaitForOpenCapture(int opens) {
  for (int i = 0; i < 5000; ++i) {
    const fakepcap::Statistics stats = fakepcap::Stats();
    if (stats.Opens == opens && stats.DispatchersNow == 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(CaptureSessionTest, AFailedReadIsReopenedQuietlyAndEveryByteCountsOnce) {
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  // Counted, but not yet sampled, when the read fails.
  fakepcap::Inject(Ipv4Frame(Local, Remote, Udp, 2, 1), 200);
  ASSERT_TRUE(fakepcap::WaitDelivered());
  fakepcap::FailOpens(1); // the first reopen, a second after the error, finds no adapter
  fakepcap::FailNextRead();
  ASSERT_TRUE(WaitForOpenCapture(2));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 3000}));

  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 300}});
  const std::vector<BPSSample> samples = Samples();
  ASSERT_EQ(samples.size(), 2u); // the history went on
  EXPECT_EQ(samples[1].Total, 500);
  EXPECT_EQ(samples[1].In, 300);
  EXPECT_EQ(samples[1].Out, 200);
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 5 + 100 + 200 + 300);
  EXPECT_EQ(Engine->GetCounters().PacketCount, 3u);
  EXPECT_TRUE(harness::window::Boxes().empty());
  EXPECT_EQ(harness::window::Statuses().size(), 1u); // the start, and nothing after
  const fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.OpenAttempts, 3);
  EXPECT_EQ(stats.MostOpenAtOnce, 1);
  EXPECT_EQ(stats.FreeCodes, 1); // the first handle's filter
  EXPECT_EQ(stats.SetFilters, 2);
  Stop();
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
}

TEST_F(CaptureSessionTest, ReopensAreCountedUntilTheReopenedCaptureHasWorked) {
  StartAndWait(); // the clock stands still: no reopened capture runs 10 s
  // Two failures in a row, each reopened at once but without a packet between:
  // the second reopen comes after 3 s, and a third failure asks.
  fakepcap::FailNextRead();
  ASSERT_TRUE(WaitForOpenCapture(2));
  fakepcap::FailNextRead();
  ASSERT_TRUE(WaitForOpenCapture(3));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 3000}));
  // A packet shows the capture works again: the next failure starts afresh.
  fakepcap::Inject(Ipv4Frame(Remote, Local, Udp, 1, 2), 100);
  ASSERT_TRUE(fakepcap::WaitDelivered());
  fakepcap::FailNextRead();
  ASSERT_TRUE(WaitForOpenCapture(4));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 3000, 1000}));
  EXPECT_TRUE(harness::window::Boxes().empty());
  fakepcap::FailNextRead();
  ASSERT_TRUE(WaitForOpenCapture(5));
  fakepcap::FailNextRead();
  harness::clock::Step(); // the sampler's last cycle, before the question
  ASSERT_TRUE(harness::window::WaitForBoxes(1));
  EXPECT_EQ(harness::window::Boxes()[0].Caption, L"Fehler in der Paketverarbeitung");
  Engine->StopCapture();
  EXPECT_EQ(fakepcap::Stats().MostOpenAtOnce, 1);
}

TEST_F(CaptureSessionTest, AtLaunchTheAdapterIsAwaitedWithGrowingPausesForAMinute) {
  fakepcap::FailOpens(3);
  ASSERT_TRUE(Engine->StartCapture(false, AdapterWait::AtLaunch));
  // The start ends the warning on the icon at once.
  ASSERT_TRUE(harness::window::WaitForStatuses(1, CaptureAfterWaitStatus));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 2000, 4000}));
  std::vector<harness::Status> statuses = harness::window::Statuses();
  ASSERT_EQ(statuses.size(), 4u);
  EXPECT_EQ(statuses[0].WParam, 0x22u); // warning, as the tip; no balloon
  EXPECT_EQ(statuses[0].Text, L"Netzwerkadapter noch nicht bereit.\nNächster Versuch in 1 s.");
  EXPECT_EQ(statuses[2].Text, L"Netzwerkadapter noch nicht bereit.\nNächster Versuch in 4 s.");
  EXPECT_TRUE(harness::window::Boxes().empty());
  Stop();

  // An adapter that does not come: after a minute of pauses, the error.
  harness::window::Install(platform::AnswerNo);
  harness::pauses::Install();
  fakepcap::FailOpens(-1);
  ASSERT_TRUE(Engine->StartCapture(false, AdapterWait::AtLaunch));
  ASSERT_TRUE(harness::window::WaitForBoxes(1));
  std::uint32_t waited = 0;
  for (std::uint32_t pause : harness::pauses::Taken())
    waited += pause;
  EXPECT_EQ(waited, 60000u);
  statuses = harness::window::Statuses();
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().WParam, CaptureErrorStatus);
  EXPECT_EQ(statuses.back().Text, L"Netzwerkadapter kann nicht geöffnet werden!");
  EXPECT_EQ(harness::window::Boxes()[0].Text, L"Adapter kann nicht geöffnet werden!");
  Engine->StopCapture();
  // A start the user asked for does not wait.
  harness::pauses::Install();
  ASSERT_TRUE(Engine->StartCapture(true));
  ASSERT_TRUE(harness::window::WaitForBoxes(2));
  EXPECT_TRUE(harness::pauses::Taken().empty());
}

TEST_F(CaptureSessionTest, SleepEndsTheCaptureWithItsBytesAndTheWakeUpResumesIt) {
  EXPECT_FALSE(Engine->SuspendCapture()); // nothing running
  EXPECT_FALSE(Engine->ResumeCapture());
  EXPECT_EQ(fakepcap::Stats().OpenAttempts, 0);

  AppSettings.CaptureFilter = L"tcp";
  AppSettings.PromiscuousMode = true;
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  fakepcap::Inject(Ipv4Frame(Local, Remote, Udp, 2, 1), 200); // not yet sampled
  ASSERT_TRUE(fakepcap::WaitDelivered());
  harness::clock::FreeRun();
  EXPECT_TRUE(Engine->SuspendCapture());
  // Everything counted is in the total when the window saves it.
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 5 + 100 + 200);
  EXPECT_EQ(fakepcap::Stats().OpenNow, 0);
  const std::size_t kept = Samples().size();

  // The wake-up: the adapter takes two more tries; the settings record meanwhile
  // says otherwise, but the capture goes on as it was before the sleep.
  AppSettings.CaptureFilter = L"udp";
  AppSettings.PromiscuousMode = false;
  fakepcap::FailOpens(2);
  EXPECT_TRUE(Engine->ResumeCapture());
  EXPECT_FALSE(Engine->ResumeCapture()); // the second wake-up message
  ASSERT_TRUE(harness::window::WaitForStatuses(1, CaptureAfterWaitStatus));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 2000}));
  const std::vector<harness::Status> statuses = harness::window::Statuses();
  ASSERT_EQ(statuses.size(), 4u);
  EXPECT_EQ(statuses[1].Text,
            L"Netzwerkadapter nach dem Standby noch nicht bereit.\nNächster Versuch in 1 s.");
  EXPECT_TRUE(harness::window::Boxes().empty());
  fakepcap::Statistics stats = fakepcap::Stats();
  EXPECT_EQ(stats.LastDevice, "fake0");
  EXPECT_EQ(stats.LastFilter, "tcp");
  EXPECT_EQ(stats.LastFlags, 1);
  EXPECT_EQ(stats.MostOpenAtOnce, 1);
  EXPECT_GE(Samples().size(), kept); // the history before the sleep stays
  EXPECT_GE(kept, 2u);
  Engine->StopCapture();
}

TEST_F(CaptureSessionTest, SleepWhileWaitingForTheAdapterEndsTheWaitAndTheWakeUpWaitsAgain) {
  harness::pauses::Hold(true);
  fakepcap::FailOpens(-1);
  ASSERT_TRUE(Engine->StartCapture(false, AdapterWait::AtLaunch));
  ASSERT_TRUE(harness::pauses::WaitForPauses(1));
  EXPECT_TRUE(Engine->SuspendCapture()); // ends the pause at once
  EXPECT_EQ(harness::window::Statuses().size(), 1u);
  EXPECT_TRUE(harness::window::Boxes().empty());

  harness::pauses::Hold(false);
  fakepcap::FailOpens(1);
  EXPECT_TRUE(Engine->ResumeCapture());
  ASSERT_TRUE(harness::window::WaitForStatuses(1, CaptureAfterWaitStatus));
  EXPECT_EQ(harness::pauses::Taken(), (std::vector<std::uint32_t>{1000, 1000}));
  EXPECT_EQ(fakepcap::Stats().Opens, 1);
  Stop();
}

TEST_F(CaptureSessionTest, PacketsAfterAnAddressChangeCountByTheNewAddress) {
  StartAndWait();
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 100}});
  const Ipv4 moved{192, 168, 0, 77};
  const std::uint8_t movedBytes[4] = {moved.A, moved.B, moved.C, moved.D};
  fakepcap::SetAddress(movedBytes);
  // Counted before the sampler looked again: by the address it had.
  const int lookedUp = fakepcap::Stats().Enumerations;
  Interval({{Ipv4Frame(Remote, Local, Udp, 1, 2), 200}});
  EXPECT_EQ(Samples()[1].In, 200);
  // After that sample the look differed, and the full lookup followed.
  for (int i = 0; i < 5000 && fakepcap::Stats().Enumerations < lookedUp + 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Interval({{Ipv4Frame(Remote, moved, Udp, 1, 2), 300}, {Ipv4Frame(Remote, Local, Udp, 1, 2), 400}});
  const BPSSample last = Samples().back();
  EXPECT_EQ(last.In, 300);
  EXPECT_EQ(last.Other, 400);
  EXPECT_EQ(AppSettings.BytesTransmitted.load(), 5 + 100 + 200 + 300 + 400);
  Stop();
}
