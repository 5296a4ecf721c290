#include "capture/adapter_dialog.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

#include "capture/adapter_label.h"
#include "capture/capture_engine.h"
#include "platform/text_conversion.h"
#include "platform/win32/diagnostics.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// What the dialog works with while it is open.
struct AdapterDialogState {
  const PcapFunctions* Pcap = nullptr;
  Settings* AppSettings = nullptr;
  PcapDevice* Devices = nullptr; // from WM_INITDIALOG to WM_DESTROY
};

// The first IPv4 address the capture library lists for the device.
std::optional<Ipv4Bytes> LibraryIpv4(const PcapDevice& device) {
  for (const PcapAddress* a = device.Addresses; a != nullptr; a = a->Next) {
    if (a->Addr == nullptr || a->Addr->Family != PcapFamilyInet) continue;
    Ipv4Bytes bytes;
    std::memcpy(bytes.data(), a->Addr->Address, bytes.size());
    return bytes;
  }
  return std::nullopt;
}

// The description (a device without one is listed by its name), then what the
// system calls the adapter and its address; where the system does not know
// the adapter, the address the capture library lists.
std::wstring ListText(const PcapDevice& device, const std::vector<SystemAdapter>& system) {
  const char* text =
      device.Description != nullptr && device.Description[0] != '\0' ? device.Description : device.Name;
  const std::wstring description = NarrowToWide(text != nullptr ? text : "");
  const SystemAdapter* known = device.Name != nullptr ? FindSystemAdapter(system, device.Name) : nullptr;
  if (known != nullptr) return AdapterListText(description, known->FriendlyName, known->Ipv4);
  return AdapterListText(description, std::wstring(), LibraryIpv4(device));
}

// Lets the list scroll sideways to its longest text, should one not fit.
void FitHorizontalExtent(HWND list, const std::vector<std::wstring>& texts) {
  const WindowDC dc(list);
  if (dc.Get() == nullptr) return;
  const Selection font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const std::wstring& text : texts) {
    SIZE size{};
    if (GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size) &&
        size.cx > widest)
      widest = size.cx;
  }
  // The list's own margins on both sides of the text.
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

void FillList(HWND dialog, AdapterDialogState& state) {
  HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
  const std::vector<SystemAdapter> system = ListSystemAdapters();
  std::vector<std::wstring> texts;
  for (PcapDevice* device = state.Devices; device != nullptr; device = device->Next) {
    texts.push_back(ListText(*device, system));
    const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts.back().c_str()));
    if (index >= 0) SendMessageW(list, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(device));
  }
  FitHorizontalExtent(list, texts);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SetFocus(list);
}

// Stores the selected device's name; false when nothing is selected (an empty
// list), and the dialog then stays open.
bool StoreSelection(HWND dialog, AdapterDialogState& state) {
  HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return false;
  const LRESULT data = SendMessageW(list, LB_GETITEMDATA, index, 0);
  const auto* device = reinterpret_cast<const PcapDevice*>(data);
  if (data == LB_ERR || device == nullptr || device->Name == nullptr) return false;
  state.AppSettings->DeviceName = NarrowToWide(device->Name);
  return true;
}

INT_PTR CALLBACK AdapterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<AdapterDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
  case WM_INITDIALOG: {
    state = reinterpret_cast<AdapterDialogState*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    char errorBuffer[PcapErrorBufferSize] = {};
    if (state->Pcap->FindAllDevs(&state->Devices, errorBuffer) == -1) {
      state->Devices = nullptr;
      MessageBoxW(dialog, L"Fehler beim Auflisten der Netzwerkadapter!", L"Fehler", MB_OK | MB_ICONERROR);
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    FillList(dialog, *state);
    return FALSE; // the focus is set
  }
  case WM_COMMAND:
    if (state == nullptr) return FALSE;
    if (wParam == IDOK) {
      if (StoreSelection(dialog, *state)) EndDialog(dialog, IDOK);
      return TRUE;
    }
    if (wParam == IDCANCEL) {
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    return FALSE;
  case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
  case WM_DESTROY:
    if (state != nullptr && state->Devices != nullptr) {
      state->Pcap->FreeAllDevs(state->Devices);
      state->Devices = nullptr;
    }
    return FALSE;
  default: return FALSE;
  }
}

} // namespace

int RunAdapterDialog(CaptureEngine& engine) {
  if (engine.AppSettings == nullptr || !engine.Pcap.Load()) return AdapterDialogCancelled;
  AdapterDialogState state;
  state.Pcap = &engine.Pcap.Calls();
  state.AppSettings = engine.AppSettings;
  const INT_PTR result =
      DialogBoxParamW(static_cast<HINSTANCE>(engine.Instance), MAKEINTRESOURCEW(IDD_ADAPTER),
                      static_cast<HWND>(engine.Window), AdapterDialogProc, reinterpret_cast<LPARAM>(&state));
  if (result == -1) LogLastError(L"DialogBoxParamW");
  // The device list is freed at WM_DESTROY; this covers a dialog that could
  // not be created after the list was taken.
  if (state.Devices != nullptr) state.Pcap->FreeAllDevs(state.Devices);
  return result == -1 ? AdapterDialogCancelled : static_cast<int>(result);
}
