#pragma once
// Process-wide values of the user interface and the program's long-lived
// objects, with the small window helpers that everybody uses.
#include <windows.h>

#include <atomic>
#include <string_view>

class Settings;
class CaptureEngine;
class TrayIcon;

extern HINSTANCE AppInstance;
extern HWND MainWindow;
// Set by the sampler thread after every sample, cleared once the tip has been
// rebuilt from it.
extern std::atomic<bool> SampleReady;
// Stored maximised but started hidden: maximised when first shown from the icon.
extern bool MaximizeWhenShown;

// Built before wWinMain in this order and destroyed in reverse after it: the
// engine keeps a pointer to the settings record, so the record outlives it.
extern const UINT TaskbarCreatedMessage;
extern Settings AppSettings;
extern CaptureEngine Engine;
// Built on the window procedure's first message, destroyed first at exit.
TrayIcon& AppTrayIcon(HWND window = nullptr);

// Blocking fade of the layered window's alpha.
void FadeWindow(HWND window, int fromAlpha, int toAlpha, int durationMs);
// The engine's sample callback (sampler thread): never waits for the UI thread.
void OnSampleTaken();
// A transient text over the graph until the next repaint.
void DrawHint(HWND window, std::wstring_view text);
void ShowContextMenu();
void ShowTrayMenu();
