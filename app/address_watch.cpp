#include "app/address_watch.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include "app/logic/shell_constants.h"
#include "platform/win32/diagnostics.h"

struct AddressWatchCallbacks {
  static void WINAPI OnInterface(PVOID context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
    static_cast<AddressWatch*>(context)->Post();
  }
  static void WINAPI OnAddress(PVOID context, PMIB_UNICASTIPADDRESS_ROW, MIB_NOTIFICATION_TYPE) {
    static_cast<AddressWatch*>(context)->Post();
  }
};

void AddressWatch::Post() {
  // Never waits: the window thread may be the one cancelling this callback.
  if (!Posted.exchange(true) && !PostMessageW(Window, WM_ADDRESSCHANGE, 0, 0)) Posted = false;
}

void AddressWatch::Start(HWND window) {
  Stop();
  Window = window;
  // No initial call: the capture looks up its addresses when it opens anyway.
  const DWORD interfaces = NotifyIpInterfaceChange(AF_UNSPEC, AddressWatchCallbacks::OnInterface, this, FALSE,
                                                   &InterfaceNotification);
  if (interfaces != NO_ERROR) {
    InterfaceNotification = nullptr;
    LogFailure(L"NotifyIpInterfaceChange", interfaces);
  }
  const DWORD addresses = NotifyUnicastIpAddressChange(AF_UNSPEC, AddressWatchCallbacks::OnAddress, this,
                                                       FALSE, &AddressNotification);
  if (addresses != NO_ERROR) {
    AddressNotification = nullptr;
    LogFailure(L"NotifyUnicastIpAddressChange", addresses);
  }
}

void AddressWatch::Stop() {
  for (HANDLE* notification : {&InterfaceNotification, &AddressNotification}) {
    if (*notification == nullptr) continue;
    const DWORD result = CancelMibChangeNotify2(*notification);
    if (result != NO_ERROR) LogFailure(L"CancelMibChangeNotify2", result);
    *notification = nullptr;
  }
}
