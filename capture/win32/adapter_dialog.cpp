#include "capture/adapter_dialog.h"

#include <string>
#include <windows.h>

#include "capture/capture_engine.h"
#include "platform/text_conversion.h"
#include "platform/win32/diagnostics.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// What the dialog works with while it is open.
struct AdapterDialogState {
  const PcapFunctions* Pcap = nullptr;
  Settings* AppSettings = nullptr;
  PcapDevice* Devices = nullptr; // from WM_INITDIALOG to WM_DESTROY
};

// A device without a description is listed by its name.
std::wstring ListText(const PcapDevice& device) {
  const char* text =
      device.Description != nullptr && device.Description[0] != '\0' ? device.Description : device.Name;
  return NarrowToWide(text != nullptr ? text : "");
}

void FillList(HWND dialog, AdapterDialogState& state) {
  HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
  for (PcapDevice* device = state.Devices; device != nullptr; device = device->Next) {
    const std::wstring text = ListText(*device);
    const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageW(list, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(device));
  }
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
