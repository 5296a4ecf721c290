#pragma once
// The "Verbrauch" dialog: the last 31 days and the last 12 month periods, a
// bar chart of the days, and an export of the usage file.
#include <windows.h>

#include "capture/usage_history.h"

// Modal over `owner`. Shows and exports `history` as it is when called.
void ShowUsageDialog(HINSTANCE instance, HWND owner, const UsageHistory& history, DayNumber today,
                     int startDay);
