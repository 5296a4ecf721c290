// Test driver for the end-to-end tests: finds Bytwacht's windows and dialogs,
// reads their texts and state, and clicks, types and sends commands the way a
// user would, from inside the same Wine desktop.
//
//   wait TITLE [ms]          a top-level window with TITLE appears (exit 1 on timeout)
//   gone TITLE [ms]          it disappears
//   texts TITLE              the texts of its child windows, one per line
//   press TITLE ID           clicks the control with ID (a button) in that window
//   settext TITLE ID TEXT    sets a control's text
//   items TITLE ID           the items of a list box, one per line
//   select TITLE ID TEXT     selects the list-box item that starts with TEXT
//   check TITLE ID 0|1       ticks or clears a check box
//   trackbar TITLE ID N      moves a trackbar
//   updown TITLE ID N        sets an up-down's position
//   page TITLE N             shows page N of a property sheet (returns once it shows)
//   painted TITLE            waits for the window, then until it has painted what was pending
//   tip TEXT [ms]            waits for a shown tooltip whose text contains TEXT; prints it
//   notip TEXT [ms]          waits until no shown tooltip (tip or balloon) contains TEXT
//   command ID               the main window's menu command ID (posted: it may open a dialog)
//   send ID                  the same, sent: returns once the window has handled it
//   sync                     returns once the main window's thread has handled what it was sent
//   sendmsg MSG [WPARAM [LPARAM]]  sends any message to the main window and returns once it was
//                            handled (numbers may be 0x...): WM_TIMER 1 saves, WM_POWERBROADCAST
//                            tells of sleep and wake-up
//   state                    the main window's visibility, style, rectangle, alpha, client
//                            area on the screen and DPI
//   place X Y W H            moves and sizes the main window (as a vanished monitor would leave it)
//   notopmost                takes the main window out of the topmost band
//   post MSG [WPARAM [LPARAM]]  posts a message to the main window (numbers may be 0x...)
//   close                    closes the main window like the user
//   sendclose                the same, sent: returns once the window has handled it
//   endsession               the logoff question to the main window; prints its answer
//   menu EXE                 the context menu in EXE's resources: "text id" per row, "-" for a separator
//   popup [ms]               waits for an open pop-up menu; prints its rectangle: left top right bottom
//
// A TITLE that starts with "~" matches any window whose title contains the rest.
// An ID is a number or a name: the program's own from res/resource.h
// (CmdSettings, IDC_ALPHA_TRACKBAR, ...) or a dialog button's (IDOK, IDYES, ...).
#include <windows.h>
#include <shellapi.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "app/logic/shell_constants.h"
#include "res/resource.h"

namespace {

struct NamedId {
  const wchar_t* Name;
  int Id;
};

#define BW_NAMED(id)                                                                                         \
  { L## #id, id }
constexpr NamedId NamedIds[] = {
    BW_NAMED(IDOK),
    BW_NAMED(IDCANCEL),
    BW_NAMED(IDYES),
    BW_NAMED(IDNO),
    BW_NAMED(CmdExit),
    BW_NAMED(CmdSelectAdapter),
    BW_NAMED(CmdResetCounter),
    BW_NAMED(CmdSettings),
    BW_NAMED(CmdAbout),
    BW_NAMED(CmdRestartCapture),
    BW_NAMED(IDC_ADAPTER_LIST),
    BW_NAMED(IDC_ALPHA_TRACKBAR),
    BW_NAMED(IDC_ALWAYS_ON_TOP),
    BW_NAMED(IDC_FADE_ON_HOVER),
    BW_NAMED(IDC_AVG_TIME_EDIT),
    BW_NAMED(IDC_AVG_TIME_UPDOWN),
    BW_NAMED(IDC_INTERVAL_EDIT),
    BW_NAMED(IDC_INTERVAL_UPDOWN),
    BW_NAMED(IDC_GRADIENTS),
    BW_NAMED(IDC_SHOW_IN_OUT),
    BW_NAMED(IDC_CAPTURE_FILTER),
    BW_NAMED(IDC_PROMISCUOUS),
    BW_NAMED(IDC_WIRELESS_WARNING),
    BW_NAMED(IDC_CAPTURE_IPV6),
    BW_NAMED(IDC_REGISTER_AUTOSTART),
    BW_NAMED(IDC_REMOVE_AUTOSTART),
    BW_NAMED(CmdUsage),
    BW_NAMED(IDC_MONTHLY_LIMIT_UPDOWN),
    BW_NAMED(IDC_MONTH_START_UPDOWN),
    BW_NAMED(IDC_USAGE_EXPORT),
};
#undef BW_NAMED

// A control or command id given by name or as a number; -1 when unknown.
long IdFrom(const std::wstring& text) {
  for (const NamedId& named : NamedIds)
    if (text == named.Name) return named.Id;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  return !text.empty() && *end == L'\0' ? value : -1;
}

struct Search {
  std::wstring Title;
  HWND Found = nullptr;
};

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  // WM_GETTEXT, unlike GetWindowText, also reads controls of other processes.
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

bool Matches(HWND window, const std::wstring& pattern) {
  wchar_t title[512] = {};
  GetWindowTextW(window, title, static_cast<int>(std::size(title)));
  if (!pattern.empty() && pattern[0] == L'~')
    return std::wstring(title).find(pattern.substr(1)) != std::wstring::npos;
  return pattern == title;
}

BOOL CALLBACK FindTop(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t className[64] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  if (IsWindowVisible(window) && Matches(window, search->Title) &&
      std::wcscmp(className, L"BytwachtMainWndClass") != 0) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

// Dialogs and boxes first; the main window only when nothing else matches and
// its exact title was asked for. A "~" pattern such as "~Bytwacht" means the
// settings sheet, which must not be taken for the main window before it shows
// or after it has gone.
HWND FindTopWindow(const std::wstring& title) {
  Search search{title};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr && (title.empty() || title[0] != L'~')) {
    HWND main = FindWindowW(L"BytwachtMainWndClass", nullptr);
    if (main != nullptr && Matches(main, title)) search.Found = main;
  }
  return search.Found;
}

HWND WaitTopWindow(const std::wstring& title, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND window = FindTopWindow(title)) return window;
    if (GetTickCount64() > end) return nullptr;
    Sleep(100);
  }
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> all;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

// The control with `id` that is visible (the shown sheet page), else any.
HWND FindControl(HWND top, int id) {
  HWND fallback = nullptr;
  for (HWND child : Descendants(top)) {
    if (GetDlgCtrlID(child) != id) continue;
    if (IsWindowVisible(child)) return child;
    if (fallback == nullptr) fallback = child;
  }
  return fallback;
}

HWND MainWindow() { return FindWindowW(L"BytwachtMainWndClass", nullptr); }

template <typename Function> Function User32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// GetDpiForWindow where the system has it (Windows 10 1607 and later), else 0.
unsigned DpiOf(HWND window) {
  const auto fn = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return fn != nullptr ? fn(window) : 0;
}

// The window's DPI awareness as its program declared it: 0 unaware, 1 system,
// 2 per monitor; -1 where the system cannot tell.
int AwarenessOf(HWND window) {
  const auto context = User32<DPI_AWARENESS_CONTEXT(WINAPI*)(HWND)>("GetWindowDpiAwarenessContext");
  const auto awareness = User32<int(WINAPI*)(DPI_AWARENESS_CONTEXT)>("GetAwarenessFromDpiAwarenessContext");
  return context != nullptr && awareness != nullptr ? awareness(context(window)) : -1;
}

// Sends to a window of the program and waits until it has handled the message.
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 10000, &result) != 0;
}

struct TipSearch {
  std::wstring Text;
  std::wstring Found;
};

BOOL CALLBACK FindTip(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TipSearch*>(param);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (!IsWindowVisible(window) || std::wcscmp(className, TOOLTIPS_CLASSW) != 0) return TRUE;
  const std::wstring text = TextOf(window);
  if (text.find(search->Text) == std::wstring::npos) return TRUE;
  search->Found = text;
  return FALSE;
}

void PrintLine(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                      nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

int Fail(const char* what) {
  std::printf("%s\n", what);
  return 1;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return Fail("usage: driver COMMAND ...");
  const std::wstring command = argv[1];
  auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
  auto number = [&](int i, long fallback) { return i < argc ? std::wcstol(argv[i], nullptr, 0) : fallback; };
  auto id = [&](int i) { return IdFrom(arg(i)); };

  if (command == L"wait") return WaitTopWindow(arg(2), number(3, 15000)) ? 0 : Fail("timeout");
  if (command == L"gone") {
    const ULONGLONG end = GetTickCount64() + number(3, 15000);
    while (FindTopWindow(arg(2)) != nullptr) {
      if (GetTickCount64() > end) return Fail("still there");
      Sleep(100);
    }
    return 0;
  }
  if (command == L"tip") {
    TipSearch search;
    search.Text = arg(2);
    const ULONGLONG end = GetTickCount64() + number(3, 15000);
    for (;;) {
      EnumWindows(FindTip, reinterpret_cast<LPARAM>(&search));
      if (!search.Found.empty()) break;
      if (GetTickCount64() > end) return Fail("no tip");
      Sleep(100);
    }
    PrintLine(search.Found);
    return 0;
  }
  if (command == L"notip") {
    const ULONGLONG end = GetTickCount64() + number(3, 30000);
    for (;;) {
      TipSearch search;
      search.Text = arg(2);
      EnumWindows(FindTip, reinterpret_cast<LPARAM>(&search));
      if (search.Found.empty()) return 0;
      if (GetTickCount64() > end) return Fail("tip still shown");
      Sleep(100);
    }
  }
  if (command == L"command") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    // Posted: most commands open a modal dialog.
    const long command = id(2);
    if (command < 0) return Fail("unknown command");
    return PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(command), 0) ? 0 : Fail("post failed");
  }
  if (command == L"send") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SendAndWait(main, WM_COMMAND, number(2, 0), 0) ? 0 : Fail("not handled in time");
  }
  if (command == L"sendmsg") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SendAndWait(main, static_cast<UINT>(number(2, 0)), static_cast<WPARAM>(number(3, 0)),
                       static_cast<LPARAM>(number(4, 0)))
               ? 0
               : Fail("not handled in time");
  }
  if (command == L"sync") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SendAndWait(main, WM_NULL, 0, 0) ? 0 : Fail("not handled in time");
  }
  if (command == L"close") {
    HWND main = MainWindow();
    return main != nullptr && PostMessageW(main, WM_CLOSE, 0, 0) ? 0 : Fail("no main window");
  }
  if (command == L"sendclose") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SendAndWait(main, WM_CLOSE, 0, 0) ? 0 : Fail("not handled in time");
  }
  if (command == L"traydrop") {
    // The notification area loses the icon, as when the shell restarts.
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = main;
    data.uID = static_cast<UINT>(number(2, TrayIconUid));
    return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : Fail("not removed");
  }
  if (command == L"taskbarcreated") {
    // What a restarted shell broadcasts to every top-level window.
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return PostMessageW(main, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0) ? 0 : Fail("post failed");
  }
  if (command == L"popup") {
    const ULONGLONG end = GetTickCount64() + number(2, 5000);
    for (;;) {
      HWND menu = FindWindowW(L"#32768", nullptr);
      RECT rect{};
      if (menu != nullptr && IsWindowVisible(menu) && GetWindowRect(menu, &rect)) {
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return 0;
      }
      if (GetTickCount64() > end) return Fail("no menu");
      Sleep(100);
    }
  }
  if (command == L"endsession") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
    std::printf("%lu\n", static_cast<unsigned long>(answer));
    return 0;
  }
  if (command == L"menu") {
    // The context menu's rows as the program's resources hold them: the text,
    // "-" for a separator, and the command id.
    HMODULE module = LoadLibraryExW(arg(2).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return Fail("cannot load the program");
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
    HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
    if (popup == nullptr) return Fail("no context menu");
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      wchar_t text[256] = {};
      GetMenuStringW(popup, static_cast<UINT>(i), text, static_cast<int>(std::size(text)), MF_BYPOSITION);
      const UINT id = GetMenuItemID(popup, i);
      PrintLine(text[0] == L'\0' ? std::wstring(L"-") : std::wstring(text) + L" " + std::to_wstring(id));
    }
    DestroyMenu(menu);
    FreeLibrary(module);
    return 0;
  }
  if (command == L"state") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    RECT rect{};
    GetWindowRect(main, &rect);
    BYTE alpha = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(main, nullptr, &alpha, &flags);
    RECT client{};
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    std::printf("visible=%d style=%08lx exstyle=%08lx rect=%ld,%ld,%ld,%ld alpha=%u client=%ld,%ld,%ld,%ld "
                "dpi=%u awareness=%d\n",
                IsWindowVisible(main) ? 1 : 0, static_cast<unsigned long>(GetWindowLongW(main, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(main, GWL_EXSTYLE)), rect.left, rect.top,
                rect.right, rect.bottom, alpha, origin.x, origin.y, client.right, client.bottom, DpiOf(main),
                AwarenessOf(main));
    return 0;
  }
  if (command == L"place") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SetWindowPos(main, nullptr, number(2, 0), number(3, 0), number(4, 0), number(5, 0),
                        SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : Fail("not moved");
  }
  if (command == L"notopmost") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)
               ? 0
               : Fail("not changed");
  }
  if (command == L"post") {
    HWND main = MainWindow();
    if (main == nullptr) return Fail("no main window");
    return PostMessageW(main, static_cast<UINT>(number(2, 0)), static_cast<WPARAM>(number(3, 0)),
                        static_cast<LPARAM>(number(4, 0)))
               ? 0
               : Fail("post failed");
  }

  HWND top = WaitTopWindow(arg(2), 10000);
  if (top == nullptr) return Fail("window not found");
  if (command == L"texts") {
    for (HWND child : Descendants(top)) {
      const std::wstring text = TextOf(child);
      if (!text.empty()) PrintLine(text);
    }
    return 0;
  }
  if (command == L"page") {
    return SendAndWait(top, PSM_SETCURSEL, number(3, 0), 0) ? 0 : Fail("page not shown in time");
  }
  if (command == L"painted") {
    // Once its thread is back in a message loop, paint whatever is still invalid.
    SendAndWait(top, WM_NULL, 0, 0);
    return RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN) ? 0 : Fail("not painted");
  }
  const int controlId = static_cast<int>(id(3));
  if (controlId < 0) return Fail("unknown control");
  HWND control = FindControl(top, controlId);
  if (control == nullptr) return Fail("control not found");
  if (command == L"press") {
    return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control))
               ? 0
               : Fail("post failed");
  }
  if (command == L"items") {
    const LRESULT count = SendMessageW(control, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t item[512] = {};
      if (SendMessageW(control, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(item)))
        SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      PrintLine(item);
    }
    return 0;
  }
  if (command == L"select") {
    const std::wstring text = arg(4);
    return SendMessageW(control, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(text.c_str())) != LB_ERR
               ? 0
               : Fail("no such item");
  }
  if (command == L"settext") {
    const std::wstring text = arg(4);
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
  }
  if (command == L"check") {
    SendMessageW(control, BM_SETCHECK, number(4, 0) != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
  }
  if (command == L"trackbar") {
    SendMessageW(control, TBM_SETPOS, TRUE, number(4, 0));
    return 0;
  }
  if (command == L"updown") {
    SendMessageW(control, UDM_SETPOS32, 0, number(4, 0));
    return 0;
  }
  return Fail("unknown command");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  // Coordinates and DPIs of the program's windows as they are, not scaled
  // down for a program that knows nothing of DPI.
  SetProcessDPIAware();
  const int code = Run(argc, argv);
  std::fflush(stdout);
  return code;
}
