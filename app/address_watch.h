#pragma once
// Windows' word that an interface or an address came, went or changed
// (NotifyIpInterfaceChange, NotifyUnicastIpAddressChange). The system calls
// back on a thread of its own; the callback only posts WM_ADDRESSCHANGE to
// the window, at most one at a time, and the window thread does the rest.
#include <windows.h>

#include <atomic>

class AddressWatch {
public:
  AddressWatch() = default;
  AddressWatch(const AddressWatch&) = delete;
  AddressWatch& operator=(const AddressWatch&) = delete;
  ~AddressWatch() { Stop(); }

  // Registers both notifications for `window`; a failed registration is
  // reported and leaves the capture's own look once per sample.
  void Start(HWND window);
  // Ends the notifications; waits for a callback that is running.
  void Stop();
  // The window thread took the message; the next change posts another.
  void Taken() { Posted = false; }

private:
  HWND Window = nullptr;
  std::atomic<bool> Posted{false};
  HANDLE InterfaceNotification = nullptr;
  HANDLE AddressNotification = nullptr;

  void Post();
  friend struct AddressWatchCallbacks;
};
