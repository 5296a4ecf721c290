// The settings sheet: the four original pages and the monthly limit's. Pages write to the record only when
// the user confirms with OK, and only the pages that were opened.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/win32/diagnostics.h"
#include "platform/win32/owned_handles.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "settings/win32/autostart.h"

namespace {

constexpr int FilterBufferSize = 256;

// What a page keeps while it exists.
struct PageState {
  Settings* Record = nullptr;
  UINT_PTR Template = 0;
  OwnedFont WarningFont;
};

PageState* StateOf(HWND page) { return reinterpret_cast<PageState*>(GetWindowLongPtrW(page, DWLP_USER)); }

void Tick(HWND page, int id, bool ticked) { CheckDlgButton(page, id, ticked ? BST_CHECKED : BST_UNCHECKED); }
bool Ticked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void InitWindowPage(HWND page, const Settings& s) {
  SendDlgItemMessageW(page, IDC_ALPHA_TRACKBAR, TBM_SETRANGE, FALSE, MAKELPARAM(26, 255));
  SendDlgItemMessageW(page, IDC_ALPHA_TRACKBAR, TBM_SETPOS, TRUE, s.WindowAlpha());
  Tick(page, IDC_ALWAYS_ON_TOP, s.AlwaysOnTop);
  Tick(page, IDC_FADE_ON_HOVER, s.FadeOnHover);
}

void ApplyWindowPage(HWND page, Settings& s) {
  s.Alpha =
      static_cast<std::uint32_t>(SendDlgItemMessageW(page, IDC_ALPHA_TRACKBAR, TBM_GETPOS, 0, 0)) & 0xFF;
  s.AlwaysOnTop = Ticked(page, IDC_ALWAYS_ON_TOP);
  s.FadeOnHover = Ticked(page, IDC_FADE_ON_HOVER);
}

void InitGraphPage(HWND page, const Settings& s) {
  SendDlgItemMessageW(page, IDC_AVG_TIME_UPDOWN, UDM_SETRANGE, 0, MAKELPARAM(3600, 0));
  SendDlgItemMessageW(page, IDC_AVG_TIME_UPDOWN, UDM_SETPOS, 0,
                      MAKELPARAM(static_cast<WORD>(s.AvgTime.load()), 0));
  SendDlgItemMessageW(page, IDC_INTERVAL_UPDOWN, UDM_SETRANGE32, 100, 60000);
  SendDlgItemMessageW(page, IDC_INTERVAL_UPDOWN, UDM_SETPOS32, 0, static_cast<LPARAM>(s.Interval.load()));
  UDACCEL accel[] = {{1, 10}, {2, 100}, {5, 500}};
  SendDlgItemMessageW(page, IDC_INTERVAL_UPDOWN, UDM_SETACCEL, std::size(accel),
                      reinterpret_cast<LPARAM>(accel));
  Tick(page, IDC_GRADIENTS, s.UseGradients);
  Tick(page, IDC_SHOW_IN_OUT, s.ShowInOut);
}

void ApplyGraphPage(HWND page, Settings& s) {
  s.AvgTime =
      static_cast<std::int32_t>(LOWORD(SendDlgItemMessageW(page, IDC_AVG_TIME_UPDOWN, UDM_GETPOS, 0, 0)));
  s.Interval = static_cast<std::uint32_t>(SendDlgItemMessageW(page, IDC_INTERVAL_UPDOWN, UDM_GETPOS32, 0, 0));
  s.UseGradients = Ticked(page, IDC_GRADIENTS);
  s.ShowInOut = Ticked(page, IDC_SHOW_IN_OUT);
}

void InitUsagePage(HWND page, const Settings& s) {
  SendDlgItemMessageW(page, IDC_MONTHLY_LIMIT_UPDOWN, UDM_SETRANGE32, 0, INT32_MAX);
  SendDlgItemMessageW(page, IDC_MONTHLY_LIMIT_UPDOWN, UDM_SETPOS32, 0, LimitToMiB(s.Monatslimit));
  UDACCEL accel[] = {{1, 1}, {2, 100}, {5, 1024}};
  SendDlgItemMessageW(page, IDC_MONTHLY_LIMIT_UPDOWN, UDM_SETACCEL, std::size(accel),
                      reinterpret_cast<LPARAM>(accel));
  SendDlgItemMessageW(page, IDC_MONTH_START_UPDOWN, UDM_SETRANGE32, 1, 28);
  SendDlgItemMessageW(page, IDC_MONTH_START_UPDOWN, UDM_SETPOS32, 0, std::clamp(s.Monatsbeginn, 1, 28));
}

void ApplyUsagePage(HWND page, Settings& s) {
  // A number typed past the range is held to it, as the file would be.
  const auto mib =
      static_cast<std::int32_t>(SendDlgItemMessageW(page, IDC_MONTHLY_LIMIT_UPDOWN, UDM_GETPOS32, 0, 0));
  s.Monatslimit = LimitFromMiB(mib, s.Monatslimit);
  const auto day =
      static_cast<std::int32_t>(SendDlgItemMessageW(page, IDC_MONTH_START_UPDOWN, UDM_GETPOS32, 0, 0));
  s.Monatsbeginn = std::clamp(day, 1, 28);
}

void InitCapturePage(HWND page, PageState& state) {
  SetDlgItemTextW(page, IDC_CAPTURE_FILTER, state.Record->CaptureFilter.c_str());
  Tick(page, IDC_PROMISCUOUS, state.Record->PromiscuousMode);
  Tick(page, IDC_CAPTURE_IPV6, state.Record->IPv6);
  // The page's own font, underlined. It is the dialog font at the page's DPI;
  // the stock GUI font keeps its 100 % size at every scaling.
  auto pageFont = reinterpret_cast<HGDIOBJ>(SendMessageW(page, WM_GETFONT, 0, 0));
  if (pageFont == nullptr) pageFont = GetStockObject(DEFAULT_GUI_FONT);
  LOGFONTW font{};
  GetObjectW(pageFont, sizeof(font), &font);
  font.lfUnderline = TRUE;
  state.WarningFont.Reset(CreateFontIndirectW(&font));
  if (!state.WarningFont) LogLastError(L"CreateFontIndirectW"); // the warning keeps the dialog font
  SendDlgItemMessageW(page, IDC_WIRELESS_WARNING, WM_SETFONT,
                      reinterpret_cast<WPARAM>(state.WarningFont.Get()), FALSE);
}

void ApplyCapturePage(HWND page, Settings& s) {
  wchar_t filter[FilterBufferSize] = {};
  GetDlgItemTextW(page, IDC_CAPTURE_FILTER, filter, FilterBufferSize);
  s.CaptureFilter = filter;
  s.PromiscuousMode = Ticked(page, IDC_PROMISCUOUS);
  s.IPv6 = Ticked(page, IDC_CAPTURE_IPV6);
}

void OnAutostartButton(HWND page, int id) {
  const AutostartResult result = id == IDC_REGISTER_AUTOSTART
                                     ? RegisterAutostart(AutostartKeyPath, ModulePath())
                                     : RemoveAutostart(AutostartKeyPath);
  const AutostartBox box = DescribeAutostart(result);
  MessageBoxW(page, box.Text, box.Title, MB_OK | box.Icon);
}

// One procedure for all four pages; the template id tells them apart.
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG: {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* state = new PageState;
    state->Record = reinterpret_cast<Settings*>(sheetPage->lParam);
    state->Template = reinterpret_cast<UINT_PTR>(sheetPage->pszTemplate);
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    switch (state->Template) {
    case IDD_PAGE_WINDOW: InitWindowPage(page, *state->Record); break;
    case IDD_PAGE_GRAPH: InitGraphPage(page, *state->Record); break;
    case IDD_PAGE_CAPTURE: InitCapturePage(page, *state); break;
    case IDD_PAGE_USAGE: InitUsagePage(page, *state->Record); break;
    default: break;
    }
    return TRUE;
  }
  case WM_NCDESTROY: {
    delete StateOf(page);
    SetWindowLongPtrW(page, DWLP_USER, 0);
    return FALSE;
  }
  case WM_CTLCOLORSTATIC:
    if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_WIRELESS_WARNING) {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(255, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }
    return FALSE;
  case WM_COMMAND:
    if (HIWORD(wParam) == BN_CLICKED &&
        (LOWORD(wParam) == IDC_REGISTER_AUTOSTART || LOWORD(wParam) == IDC_REMOVE_AUTOSTART)) {
      OnAutostartButton(page, LOWORD(wParam));
      return TRUE;
    }
    return FALSE;
  case WM_NOTIFY: {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    PageState* state = StateOf(page);
    if (header->code != PSN_APPLY || state == nullptr) return FALSE;
    Settings& s = *state->Record;
    switch (state->Template) {
    case IDD_PAGE_WINDOW: ApplyWindowPage(page, s); break;
    case IDD_PAGE_GRAPH: ApplyGraphPage(page, s); break;
    case IDD_PAGE_CAPTURE: ApplyCapturePage(page, s); break;
    case IDD_PAGE_USAGE: ApplyUsagePage(page, s); break;
    default: break;
    }
    s.Applied = true;
    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
  }
  default: return FALSE;
  }
}

} // namespace

bool Settings::ShowSettingsSheet(HINSTANCE instance, HWND parent) {
  // The monthly limit's page comes last, so the original four keep their places.
  const int templates[] = {IDD_PAGE_WINDOW, IDD_PAGE_GRAPH, IDD_PAGE_CAPTURE, IDD_PAGE_AUTOSTART,
                           IDD_PAGE_USAGE};
  PROPSHEETPAGEW pages[std::size(templates)] = {};
  for (std::size_t i = 0; i < std::size(pages); ++i) {
    pages[i].dwSize = sizeof(PROPSHEETPAGEW);
    pages[i].dwFlags = PSP_DEFAULT;
    pages[i].hInstance = instance;
    pages[i].pszTemplate = MAKEINTRESOURCEW(templates[i]);
    pages[i].pfnDlgProc = PageProc;
    pages[i].lParam = reinterpret_cast<LPARAM>(this);
  }
  // The sheet shows the application's icon: there is no separate sheet icon.
  OwnedIcon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconApp), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR)));
  if (!icon) LogLastError(L"LoadImageW (sheet icon)");
  PROPSHEETHEADERW sheet{};
  sheet.dwSize = sizeof(sheet);
  sheet.dwFlags = PSH_PROPTITLE | PSH_USEHICON | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
  sheet.hwndParent = parent;
  sheet.hInstance = instance;
  sheet.hIcon = icon.Get();
  sheet.pszCaption = L"Bytwacht";
  sheet.nPages = static_cast<UINT>(std::size(pages));
  sheet.nStartPage = 0;
  sheet.ppsp = pages;
  Applied = false;
  if (PropertySheetW(&sheet) == -1) LogLastError(L"PropertySheetW"); // counts as cancelled
  return Applied;
}
