#include "app/shell.h"

namespace {

// The shell whose window the sample callback repaints. The engine calls back
// without a context, so this one pointer is global; ConfigureEngine sets it
// before the capture starts. The shell's members that the callback touches
// outlive the engine and thus every call.
std::atomic<Shell*> gSampleShell{nullptr};

// The engine's sample callback (sampler thread): never waits for the UI thread.
// One message per sample, on which the window repaints itself as well, so
// that a sample wakes the window thread once and not for a paint and a
// message apart.
void OnSampleTaken() {
  Shell* shell = gSampleShell.load();
  if (shell == nullptr) return;
  shell->SampleReady.store(true, std::memory_order_relaxed);
  if (!PostUsageSample(*shell)) InvalidateRect(shell->MainWindow, nullptr, FALSE);
}

} // namespace

void ConfigureEngine(Shell& shell) {
  gSampleShell = &shell;
  shell.Engine.Configure(shell.AppInstance, shell.MainWindow, &shell.AppSettings, OnSampleTaken,
                         CaptureEngine::ConfigureInstance | CaptureEngine::ConfigureWindow |
                             CaptureEngine::ConfigureSettings | CaptureEngine::ConfigureOnSample);
}
