#include "capture/adapter_dialog.h"

#include <atomic>

#include "capture/capture_engine.h"

namespace {

std::atomic<AdapterDialogHook> Hook{nullptr};

} // namespace

void SetAdapterDialogHook(AdapterDialogHook hook) { Hook = hook; }

int RunAdapterDialog(CaptureEngine& engine) {
  AdapterDialogHook hook = Hook.load();
  return hook ? hook(engine.AppSettings) : AdapterDialogCancelled;
}
