#pragma once
// The window thread's side of the usage per day: the history with its file,
// the hand-over of what the sampler booked, and the monthly limit's warning.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/logic/usage_limit.h"
#include "capture/usage_file.h"

struct Shell;

struct UsageKeeper {
  UsageStore Store;
  // Takes the engine's booked days at every hand-over; kept empty between them.
  UsageDelta Inbox;
  LimitWatch Limit;
  // Set by the sampler thread when it posted WM_USAGESAMPLE, cleared by the
  // window thread when it handles it: one message in the queue at most.
  std::atomic<bool> SamplePosted{false};
};

// At start-up, once the settings are loaded: reads verbrauch.csv beside them.
void LoadUsage(Shell& shell);
// Moves what the sampler booked into the history; returns BytesTransmitted
// as it stood at that moment.
std::int64_t TakeUsage(Shell& shell);
// Part of every save of the settings: the settings with the total taken
// together with the usage, then the usage file.
void SaveSettingsAndUsage(Shell& shell);
// WM_USAGESAMPLE: the sample's bytes into the history, and the limit's warning.
void OnUsageSample(Shell& shell);
// The sampler thread's nudge after a sample; never waits for the window.
// False when no WM_USAGESAMPLE is queued (the post failed).
bool PostUsageSample(Shell& shell);
// Warns once when the month period's usage reached the limit (also right
// after the limit or the start day was changed).
void CheckUsageLimit(Shell& shell);
// The tip's month line; empty without a limit.
std::wstring UsageTipLine(Shell& shell);
// The "Verbrauch..." command.
void ShowUsage(Shell& shell, HWND owner);
