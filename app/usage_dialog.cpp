#include "app/usage_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <string>
#include <vector>

#include "capture/usage_csv.h"
#include "platform/durable_write.h"
#include "platform/win32/diagnostics.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "view/usage_chart.h"
#include "view/usage_report.h"
#include "view/win32/graph_canvas.h"

namespace {

// What the dialog works with while it is open.
struct UsageDialogState {
  const UsageHistory* History = nullptr;
  DayNumber Today = 0;
  int StartDay = 1;
  UsageReport Report;
};

UsageDialogState* StateOf(HWND dialog) {
  return reinterpret_cast<UsageDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void AddColumn(HWND list, int index, const wchar_t* title, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

// The label column gets `labelShare` percent of the room beside the scroll
// bar, the four figures share the rest.
void SizeColumns(HWND list, int labelShare) {
  RECT client{};
  GetClientRect(list, &client);
  const int room = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
  const int label = room * labelShare / 100;
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, label);
  for (int c = 1; c < 5; ++c)
    SendMessageW(list, LVM_SETCOLUMNWIDTH, c, (room - label) / 4);
}

void FillList(HWND list, const wchar_t* firstColumn, const std::vector<UsageRow>& rows, int labelShare) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumn(list, 0, firstColumn, LVCFMT_LEFT);
  const wchar_t* const titles[4] = {L"Ein", L"Aus", L"Unbekannt", L"Gesamt"};
  for (int i = 0; i < 4; ++i)
    AddColumn(list, i + 1, titles[i], LVCFMT_RIGHT);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(r);
    item.pszText = const_cast<wchar_t*>(rows[r].Label.c_str());
    const auto index =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    const std::array<std::wstring, 4> texts = UsageTexts(rows[r].Counts);
    for (int c = 0; c < 4; ++c) {
      LVITEMW cell{};
      cell.iSubItem = c + 1;
      cell.pszText = const_cast<wchar_t*>(texts[c].c_str());
      SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&cell));
    }
  }
  SizeColumns(list, labelShare);
}

void InitDialog(HWND dialog, UsageDialogState& state) {
  state.Report = BuildUsageReport(*state.History, state.Today, state.StartDay);
  FillList(GetDlgItem(dialog, IDC_USAGE_DAYS), L"Tag", state.Report.Days, 28);
  FillList(GetDlgItem(dialog, IDC_USAGE_MONTHS), L"Zeitraum", state.Report.Months, 36);
  const std::wstring months =
      L"Die letzten 12 Monate (Monatsbeginn am " + std::to_wstring(state.StartDay) + L".):";
  SetDlgItemTextW(dialog, IDC_USAGE_MONTHS_LABEL, months.c_str());
}

// The chart, composed for the control's size and drawn off-screen in one go.
void DrawChart(const DRAWITEMSTRUCT& item, const UsageDialogState& state, HFONT font) {
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  if (width <= 0 || height <= 0) return;
  OwnedDc memory(CreateCompatibleDC(item.hDC));
  OwnedBitmap bitmap(CreateCompatibleBitmap(item.hDC, width, height));
  if (!memory || !bitmap) return;
  Selection bitmapSelection(memory.Get(), bitmap.Get());
  Selection fontSelection(memory.Get(), font);
  Selection penSelection(memory.Get(), GetStockObject(DC_PEN));
  SetBkMode(memory.Get(), TRANSPARENT);

  UsageChartInput input;
  for (auto row = state.Report.Days.rbegin(); row != state.Report.Days.rend(); ++row)
    input.Days.push_back(row->Counts);
  // "08.11." under the oldest day, "heute" under today.
  input.FirstLabel = DateText(state.Today - (UsageReportDays - 1)).substr(0, 6);
  input.LastLabel = L"heute";
  input.Width = width;
  input.Height = height;
  input.Measure = MeasureTextOnDc;
  input.MeasureContext = memory.Get();
  ExecuteDrawList(memory.Get(), ComposeUsageChart(input));
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void Export(HWND dialog, const UsageHistory& history) {
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring name = L"verbrauch.csv";
  name.copy(file.data(), name.size());
  OPENFILENAMEW save{};
  save.lStructSize = sizeof(save);
  save.hwndOwner = dialog;
  save.lpstrFilter = L"CSV-Dateien (*.csv)\0*.csv\0Alle Dateien (*.*)\0*.*\0";
  save.nFilterIndex = 1;
  save.lpstrFile = file.data();
  save.nMaxFile = static_cast<DWORD>(file.size());
  save.lpstrTitle = L"Verbrauch exportieren";
  save.lpstrDefExt = L"csv";
  save.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&save)) {
    if (CommDlgExtendedError() != 0) LogFailure(L"GetSaveFileNameW", CommDlgExtendedError());
    return; // cancelled
  }
  if (!platform::WriteFileDurably(file.data(), SerializeUsage(history)))
    MessageBoxW(dialog, L"Die Datei konnte nicht gespeichert werden!", L"Verbrauch exportieren",
                MB_OK | MB_ICONWARNING);
}

INT_PTR CALLBACK UsageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  UsageDialogState* state = StateOf(dialog);
  switch (message) {
  case WM_INITDIALOG:
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    InitDialog(dialog, *reinterpret_cast<UsageDialogState*>(lParam));
    return TRUE;
  case WM_DRAWITEM: {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (state == nullptr || item->CtlID != IDC_USAGE_CHART) return FALSE;
    DrawChart(*item, *state, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    return TRUE;
  }
  case WM_COMMAND:
    if (state == nullptr) return FALSE;
    if (LOWORD(wParam) == IDC_USAGE_EXPORT && HIWORD(wParam) == BN_CLICKED) {
      Export(dialog, *state->History);
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    return FALSE;
  case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
  default: return FALSE;
  }
}

} // namespace

void ShowUsageDialog(HINSTANCE instance, HWND owner, const UsageHistory& history, DayNumber today,
                     int startDay) {
  UsageDialogState state;
  state.History = &history;
  state.Today = today;
  state.StartDay = startDay;
  if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_USAGE), owner, UsageDialogProc,
                      reinterpret_cast<LPARAM>(&state)) == -1)
    LogLastError(L"DialogBoxParamW(IDD_USAGE)");
}
