#include "app/shell.h"

namespace {

// The shell whose window the sample callback repaints. The engine calls back
// without a context, so this one pointer is global; ConfigureEngine sets it
// before the capture starts. The shell's members that the callback touches
// outlive the engine and thus every call.
std::atomic<Shell*> gSampleShell{nullptr};

// The engine's sample callback (sampler thread): never waits for the UI thread.
void OnSampleTaken() {
  Shell* shell = gSampleShell.load();
  if (shell == nullptr) return;
  shell->SampleReady.store(true, std::memory_order_relaxed);
  InvalidateRect(shell->MainWindow, nullptr, FALSE);
  PostUsageSample(*shell);
}

} // namespace

void ConfigureEngine(Shell& shell) {
  gSampleShell = &shell;
  shell.Engine.Configure(shell.AppInstance, shell.MainWindow, &shell.AppSettings, OnSampleTaken,
                         CaptureEngine::ConfigureInstance | CaptureEngine::ConfigureWindow |
                             CaptureEngine::ConfigureSettings | CaptureEngine::ConfigureOnSample);
}
