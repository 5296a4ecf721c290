#include <gtest/gtest.h>

#include "app/logic/shell_constants.h"
#include "app/logic/tip_text.h"
#include "app/logic/tray_fields.h"
#include "app/logic/tray_retry.h"
#include "app/logic/tray_status.h"
#include "capture/bps_sample.h"
#include "capture/status_message.h"
#include "res/resource.h"

namespace {

// The words on the wire between the engine's threads and the window.
static_assert(WM_STATUSINFO == 0x0401);
static_assert(CaptureStartedStatus == 0x21 && FilterWarningStatus == 0x32 && CaptureErrorStatus == 0x34);

TEST(TrayStatus, ErrorHoldsAgainstOkForFifteenSeconds) {
  std::uint64_t hold = 0;
  StatusEffect error =
      DecideStatus(CaptureErrorStatus, L"Netzwerkadapter kann nicht geöffnet werden!", 1000, hold);
  EXPECT_FALSE(error.Ignored);
  EXPECT_EQ(error.IconId, IconError);
  EXPECT_EQ(error.TipText, L"Status: FEHLER\nNetzwerkadapter kann nicht geöffnet werden!");
  EXPECT_EQ(error.BalloonTitle, L"Bytwacht - Fehler");
  EXPECT_EQ(error.BalloonIcon, BalloonError);

  // The restarted capture's OK five seconds later is dropped, balloon and all.
  StatusEffect early = DecideStatus(CaptureStartedStatus, L"Paketaufzeichnung wurde gestartet.", 6000, hold);
  EXPECT_TRUE(early.Ignored);
  EXPECT_FALSE(early.SetBalloon);
  EXPECT_FALSE(early.SetTip);
  EXPECT_EQ(early.IconId, 0);

  StatusEffect late = DecideStatus(CaptureStartedStatus, L"Paketaufzeichnung wurde gestartet.", 16001, hold);
  EXPECT_FALSE(late.Ignored);
  EXPECT_EQ(late.IconId, IconOk);
  EXPECT_EQ(late.TipText, L"Status: OK\nPaketaufzeichnung wurde gestartet.");
  EXPECT_FALSE(late.SetBalloon); // an OK start asks for no balloon
}

TEST(TrayStatus, TheStartAfterAWaitForTheAdapterEndsTheWarningAtOnce) {
  std::uint64_t hold = 0;
  StatusEffect waiting = DecideStatus(AdapterWaitStatus, L"Netzwerkadapter noch nicht bereit.", 1000, hold);
  EXPECT_EQ(waiting.IconId, IconWarning);
  EXPECT_FALSE(waiting.SetBalloon);
  // A tip rebuilt from an old sample does not hide why nothing is counted.
  EXPECT_TRUE(DecideStatus(StatusOk | StatusSetTip, L"alt", 2000, hold).Ignored);
  StatusEffect started =
      DecideStatus(CaptureAfterWaitStatus, L"Paketaufzeichnung wurde gestartet.", 3000, hold);
  EXPECT_FALSE(started.Ignored);
  EXPECT_EQ(started.IconId, IconOk);
  EXPECT_EQ(started.TipText, L"Status: OK\nPaketaufzeichnung wurde gestartet.");
  EXPECT_FALSE(DecideStatus(StatusOk | StatusSetTip, L"neu", 4000, hold).Ignored);
}

TEST(TrayStatus, FurtherWarningsReplaceAtOnceAndExtendTheHold) {
  std::uint64_t hold = 0;
  DecideStatus(FilterWarningStatus, L"erste", 1000, hold);
  StatusEffect second = DecideStatus(FilterWarningStatus, L"zweite", 10000, hold);
  EXPECT_FALSE(second.Ignored);
  EXPECT_EQ(second.TipText, L"Status: WARNUNG\nzweite");
  EXPECT_EQ(second.BalloonTitle, L"Bytwacht - Warnung");
  EXPECT_EQ(hold, 25000u);
  EXPECT_TRUE(DecideStatus(CaptureStartedStatus, L"ok", 20000, hold).Ignored);
}

TEST(TrayStatus, UnknownStateChangesNothingVisibleButHolds) {
  std::uint64_t hold = 0;
  StatusEffect odd = DecideStatus(0x33, L"Text", 500, hold);
  EXPECT_FALSE(odd.Ignored);
  EXPECT_FALSE(odd.SetBalloon);
  EXPECT_FALSE(odd.SetTip);
  EXPECT_EQ(odd.IconId, 0);
  EXPECT_TRUE(DecideStatus(CaptureStartedStatus, L"ok", 1000, hold).Ignored);
}

TEST(TrayStatus, NullTextTakesTheBalloonDownAndStillSetsThePicture) {
  std::uint64_t hold = 0;
  StatusEffect effect = DecideStatus(CaptureErrorStatus, nullptr, 0, hold);
  EXPECT_TRUE(effect.SetBalloon);
  EXPECT_TRUE(effect.BalloonText.empty());
  EXPECT_TRUE(effect.BalloonTitle.empty());
  EXPECT_EQ(effect.BalloonIcon, BalloonNone);
  EXPECT_FALSE(effect.SetTip);
  EXPECT_EQ(effect.IconId, IconError);
}

// A 32-bit tick count wraps after 49.7 days; a hold taken just before the wrap
// must not block OK messages for the weeks that follow.
TEST(TrayStatus, HoldSurvivesTheThirtyTwoBitTickWrap) {
  std::uint64_t hold = 0;
  const std::uint64_t beforeWrap = 0xFFFFFFFFull - 1000;
  DecideStatus(FilterWarningStatus, L"Warnung", beforeWrap, hold);
  EXPECT_TRUE(DecideStatus(CaptureStartedStatus, L"ok", beforeWrap + 14000, hold).Ignored);
  EXPECT_FALSE(DecideStatus(CaptureStartedStatus, L"ok", beforeWrap + 15001, hold).Ignored);

  // A warning long ago never blocks an OK message much later.
  hold = 0;
  DecideStatus(FilterWarningStatus, L"Warnung", 100, hold);
  EXPECT_FALSE(DecideStatus(CaptureStartedStatus, L"ok", 100 + 0x90000000ull, hold).Ignored);
}

TEST(TrayFields, TextsAreCutToTheShellLimits) {
  TrayFields fields;
  fields.SetTip(std::wstring(200, L'a'));
  fields.ShowBalloon(std::wstring(70, L't'), std::wstring(300, L'x'), BalloonWarning);
  EXPECT_EQ(fields.TipText().size(), 127u);
  EXPECT_EQ(fields.BalloonTitle().size(), 63u);
  EXPECT_EQ(fields.BalloonText().size(), 255u);

  // A surrogate pair at the limit is dropped whole rather than split.
  std::wstring tip(126, L'a');
  tip += static_cast<wchar_t>(0xD83D);
  tip += static_cast<wchar_t>(0xDE00);
  fields.SetTip(tip);
  EXPECT_EQ(fields.TipText(), std::wstring(126, L'a'));
}

TEST(TrayFields, PendingFlagsCollectAndClearOnTake) {
  TrayFields fields;
  fields.SetTip(L"tip");
  fields.MarkIcon();
  EXPECT_EQ(fields.TakePendingFlags(), TrayFlagTip | TrayFlagIcon);
  EXPECT_EQ(fields.TakePendingFlags(), 0u);
  fields.ShowBalloon(L"", L"", BalloonNone);
  EXPECT_EQ(fields.TakePendingFlags(), TrayFlagInfo);
}

TEST(TipText, NewestSampleFiguresWithoutPerSecond) {
  BPSSample sample;
  sample.Total = 1536;
  sample.Average = 100;
  sample.TopSrcPort = 65535;
  sample.TopDstPort = 53;
  const std::wstring tip = BuildTipText(sample);
  EXPECT_EQ(tip,
            L"Aktuelle Transferrate: 1.5 KiB\nDurchschnitt: 100 B\nMax. Verbindung (Ports): 65535 -> 53");
  // With the status prefix the tip still fits the shell's 127 characters here.
  EXPECT_LE((L"Status: OK\n" + tip).size(), 127u);
}

} // namespace

TEST(TrayAddRetry, EveryTwoSecondsUntilTheIconIsThereOrTwoMinutesHavePassed) {
  TrayAddRetry retry;
  EXPECT_FALSE(retry.Retrying());
  retry.Begin(10'000);
  EXPECT_TRUE(retry.AfterAttempt(12'000, false));
  EXPECT_TRUE(retry.AfterAttempt(129'999, false));
  EXPECT_FALSE(retry.AfterAttempt(130'000, false)) << "gives up after two minutes";
  EXPECT_FALSE(retry.Retrying());

  // Success, also from a TaskbarCreated re-add in between, ends it at once.
  retry.Begin(0);
  EXPECT_FALSE(retry.AfterAttempt(2'000, true));
  EXPECT_FALSE(retry.AfterAttempt(4'000, false)) << "a later failure does not restart it";
}
