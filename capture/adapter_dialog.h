#pragma once
// The modal adapter dialog (IDD_ADAPTER). OK stores the chosen adapter's name
// in the settings' DeviceName and ends with 1; Cancel, Esc, closing the window
// or a failed enumeration end it with 2.
class CaptureEngine;
class Settings;

constexpr int AdapterDialogOk = 1;
constexpr int AdapterDialogCancelled = 2;

int RunAdapterDialog(CaptureEngine& engine);

#ifndef _WIN32
// The native build has no dialog: a test answers in its place and may set
// DeviceName. Without a hook the dialog counts as cancelled.
using AdapterDialogHook = int (*)(Settings* settings);
void SetAdapterDialogHook(AdapterDialogHook hook);
#endif
