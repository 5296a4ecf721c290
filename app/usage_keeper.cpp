#include "app/usage_keeper.h"

#include "app/logic/shell_constants.h"
#include "app/shell.h"
#include "app/usage_dialog.h"
#include "platform/clock.h"

namespace {

DayNumber Today() { return UsageDayOf(platform::LocalDate()); }

// The current period's start and its usage so far.
std::pair<DayNumber, std::uint64_t> MonthSoFar(const Shell& shell) {
  const DayNumber today = Today();
  const DayNumber start = PeriodStart(today, shell.AppSettings.Monatsbeginn);
  const DayNumber next = NextPeriodStart(start, shell.AppSettings.Monatsbeginn);
  return {start, shell.Usage.Store.History().Sum(start, next - 1).Total()};
}

void TellNotice(Shell& shell) {
  UsageStore& store = shell.Usage.Store;
  const std::wstring text = UsageNoticeText(store.TakeNotice(), store.AsidePath());
  if (text.empty() || !shell.Tray) return;
  shell.Tray->ShowBalloon(UsageWarningTitle, text, BalloonWarning);
  shell.Tray->Update();
}

void CheckLimitOf(Shell& shell) {
  const auto [start, used] = MonthSoFar(shell);
  const std::uint64_t limit = shell.AppSettings.Monatslimit;
  if (!shell.Usage.Limit.Update(start, used, limit) || !shell.Tray) return;
  shell.Tray->ShowBalloon(UsageWarningTitle, LimitReachedText(used, limit, start), BalloonWarning);
  shell.Tray->Update();
}

} // namespace

void LoadUsage(Shell& shell) {
  UsageStore& store = shell.Usage.Store;
  store.SetPath(UsageFilePath(shell.AppSettings.FilePath));
  store.Load();
  TellNotice(shell);
  // Where the month stands before this run counts anything.
  CheckLimitOf(shell);
}

std::int64_t TakeUsage(Shell& shell) {
  UsageKeeper& usage = shell.Usage;
  const std::int64_t total = shell.Engine.TakeUsage(usage.Inbox, shell.AppSettings);
  usage.Store.History().Merge(usage.Inbox);
  usage.Inbox.clear();
  return total;
}

void SaveSettingsAndUsage(Shell& shell) {
  // The file's total and the file's usage tell of the same bytes: the total
  // is the one read when the usage was taken, not whatever it is a moment later.
  Settings saved(shell.AppSettings);
  saved.BytesTransmitted = TakeUsage(shell);
  saved.Save();
  shell.Usage.Store.Save();
  TellNotice(shell);
}

void OnUsageSample(Shell& shell) {
  shell.Usage.SamplePosted = false;
  TakeUsage(shell);
  CheckLimitOf(shell);
}

void CheckUsageLimit(Shell& shell) { CheckLimitOf(shell); }

bool PostUsageSample(Shell& shell) {
  if (shell.Usage.SamplePosted.exchange(true)) return true;
  if (PostMessageW(shell.MainWindow, WM_USAGESAMPLE, 0, 0)) return true;
  shell.Usage.SamplePosted = false;
  return false;
}

std::wstring UsageTipLine(Shell& shell) {
  const std::uint64_t limit = shell.AppSettings.Monatslimit;
  if (limit == 0) return {};
  TakeUsage(shell);
  return MonthUsageLine(MonthSoFar(shell).second, limit);
}

void ShowUsage(Shell& shell, HWND owner) {
  TakeUsage(shell);
  ShowUsageDialog(shell.AppInstance, owner, shell.Usage.Store.History(), Today(),
                  shell.AppSettings.Monatsbeginn);
}
