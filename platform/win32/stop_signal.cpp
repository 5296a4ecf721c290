#include "platform/stop_signal.h"

#include <windows.h>

namespace platform {

// A manual-reset event: it stays signalled once set.
StopSignal::StopSignal() : Event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

StopSignal::~StopSignal() {
  if (Event != nullptr) CloseHandle(Event);
}

void StopSignal::Set() {
  if (Event != nullptr) SetEvent(Event);
}

bool StopSignal::IsSet() const { return Event != nullptr && WaitForSingleObject(Event, 0) == WAIT_OBJECT_0; }

bool StopSignal::Sleep(std::uint32_t milliseconds) {
  // Without an event (out of handles) the worker still paces itself.
  if (Event == nullptr) {
    ::Sleep(milliseconds);
    return false;
  }
  return WaitForSingleObject(Event, milliseconds) == WAIT_OBJECT_0;
}

} // namespace platform
