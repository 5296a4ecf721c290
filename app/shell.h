#pragma once
// The shell's state: everything the process keeps for its one window, owned
// by one object that wWinMain builds. The window procedure finds it through
// the window; the notification-area icon and the paint are handed what they
// use. Members are destroyed in reverse order: the icon first, then the
// engine (which joins its threads, whose last sample callback may still touch
// the values above it), then the settings record the engine points to.
#include <windows.h>

#include <atomic>
#include <optional>

#include "app/address_watch.h"
#include "app/logic/hover.h"
#include "app/logic/tray_retry.h"
#include "app/tray_icon.h"
#include "app/usage_keeper.h"
#include "capture/capture_engine.h"
#include "settings/settings.h"
#include "view/graph_composer.h"
#include "view/win32/graph_buffer.h"

struct Shell {
  HINSTANCE AppInstance = nullptr;
  HWND MainWindow = nullptr;
  // RegisterWindowMessageW("TaskbarCreated"), asked for by wWinMain; 0 if the
  // registration failed, and then no message is taken for it.
  UINT TaskbarCreatedMessage = 0;
  // Set by the sampler thread after every sample, cleared once the tip has
  // been rebuilt from it.
  std::atomic<bool> SampleReady{false};
  // Stored maximised but started hidden: maximised when first shown from the icon.
  bool MaximizeWhenShown = false;

  Settings AppSettings;
  // The usage per day; before the engine, whose sample callback nudges it.
  UsageKeeper Usage;
  CaptureEngine Engine;
  // Windows' word that addresses changed, passed on to the engine.
  AddressWatch Addresses;

  // What the window procedure keeps between messages.
  GraphMemory Graph;        // the graph's scale memory, for the whole run
  GraphBuffer GraphPicture; // the off-screen picture and font of its paints
  HoverState Hover;
  TRACKMOUSEEVENT LeaveTracking{};
  // Open while a command or the start-up shows a modal dialog or box (see
  // ModalScope).
  int ModalDepth = 0;
  // From the window's creation until start-up has shown it or failed. An exit
  // asked for meanwhile declines start-up's dialog or box and makes start-up
  // fail (exit code 1) without storing anything half started.
  bool Starting = false;
  bool ExitDuringStartup = false;

  // Built on the window procedure's first message, bound to that window.
  std::optional<TrayIcon> Tray;
  // Adds the icon again while the shell was not ready for it at start.
  TrayAddRetry TrayRetry;
};

// Open while a command or the start-up shows a modal dialog or box. The tray
// icon still reaches the window then; a second command (another sheet on the
// same record, or an exit that destroys the window under the open dialog) must
// wait.
class ModalScope {
public:
  explicit ModalScope(Shell& shell) : Depth(shell.ModalDepth) { ++Depth; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope() { --Depth; }

private:
  int& Depth;
};

// Hands the engine its instance, window, settings record and the sample
// callback, which repaints this shell's window and asks it to take the usage.
void ConfigureEngine(Shell& shell);
