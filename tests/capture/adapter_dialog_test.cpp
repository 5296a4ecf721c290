// The adapter dialog of the Windows build, driven from a second thread the way
// a user would: read the list, pick, confirm or cancel. The capture library is
// replaced by a device list of the test's own.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

#include "capture/capture_engine.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

std::atomic<bool> EnumerationFails{false};
std::atomic<int> Enumerations{0};
std::atomic<int> Frees{0};

char BetaName[] = "\\Device\\NPF_beta", BetaText[] = "Beta";
char AlphaName[] = "\\Device\\NPF_alpha", AlphaText[] = "Alpha";
char BareName[] = "zeta0"; // no description
// A device the system knows (its GUID is filled in by the test), and one it
// does not know, both with an address of the capture library's own.
char KnownName[80] = "", KnownText[] = "Gamma";
char UnknownName[] = "\\Device\\NPF_Loopback", UnknownText[] = "Delta";
PcapSocketAddress LibraryAddress{PcapFamilyInet, {}, {10, 9, 8, 7}, {}};
PcapAddress LibraryAddresses{nullptr, &LibraryAddress, nullptr, nullptr, nullptr};
std::atomic<bool> WithNamedDevices{false};
PcapDevice Devices[5];

int FindAllDevs(PcapDevice** devices, char* errorBuffer) {
  ++Enumerations;
  if (EnumerationFails) {
    lstrcpyA(errorBuffer, "no adapters");
    return -1;
  }
  // Enumerated as Beta, Alpha, then one without a description.
  Devices[0] = {&Devices[1], BetaName, BetaText, nullptr, 0};
  Devices[1] = {&Devices[2], AlphaName, AlphaText, nullptr, 0};
  Devices[2] = {WithNamedDevices ? &Devices[3] : nullptr, BareName, nullptr, nullptr, 0};
  Devices[3] = {&Devices[4], KnownName, KnownText, &LibraryAddresses, 0};
  Devices[4] = {nullptr, UnknownName, UnknownText, &LibraryAddresses, 0};
  *devices = &Devices[0];
  return 0;
}
void FreeAllDevs(PcapDevice*) { ++Frees; }
PcapHandle* Open(const char*, int, int, int, void*, char*) { return nullptr; }
int Compile(PcapHandle*, PcapProgram*, const char*, int, std::uint32_t) { return -1; }
int SetFilter(PcapHandle*, PcapProgram*) { return -1; }
void FreeCode(PcapProgram*) {}
int Dispatch(PcapHandle*, int, PcapHandler, unsigned char*) { return -1; }
int DataLink(PcapHandle*) { return 1; } // Ethernet
void BreakLoop(PcapHandle*) {}
void Close(PcapHandle*) {}
const char* LibVersion() { return "test"; }
const PcapFunctions TestLibrary = {FindAllDevs, FreeAllDevs, Open,      Compile, SetFilter, FreeCode,
                                   Dispatch,    DataLink,    BreakLoop, Close,   LibVersion};

DWORD DialogThread = 0; // the test's main thread, which runs the dialogs

struct WindowQuery {
  const wchar_t* Caption;
  HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM raw) {
  auto* query = reinterpret_cast<WindowQuery*>(raw);
  wchar_t className[16] = {}, caption[64] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
  if (lstrcmpW(className, L"#32770") == 0 && lstrcmpW(caption, query->Caption) == 0 &&
      IsWindowVisible(window)) {
    query->Found = window;
    return FALSE;
  }
  return TRUE;
}

// The dialog of this test program (other programs on the same screen may show
// theirs) once it is shown, that is after its WM_INITDIALOG.
HWND WaitForWindow(const wchar_t* caption) {
  for (int i = 0; i < 1000; ++i) {
    WindowQuery query{caption, nullptr};
    EnumThreadWindows(DialogThread, MatchWindow, reinterpret_cast<LPARAM>(&query));
    if (query.Found != nullptr) return query.Found;
    Sleep(10);
  }
  return nullptr;
}

std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

struct Seen {
  std::vector<std::wstring> Items;
  LRESULT Selected = -2;
  bool Found = false;
};

class AdapterDialogTest : public ::testing::Test {
protected:
  Settings AppSettings;
  CaptureEngine Engine;

  void SetUp() override {
    DialogThread = GetCurrentThreadId();
    SetPcapFunctions(&TestLibrary);
    EnumerationFails = false;
    Enumerations = 0;
    Frees = 0;
    AppSettings.SetDefaults();
    AppSettings.DeviceName = L"unchanged";
    Engine.Configure(GetModuleHandleW(nullptr), nullptr, &AppSettings, nullptr, 15);
  }
  void TearDown() override { SetPcapFunctions(nullptr); }

  // Runs SelectAdapter while `act` handles the dialog from another thread.
  bool Select(Seen& seen, const std::function<void(HWND dialog, HWND list)>& act) {
    std::thread driver([&] {
      HWND dialog = WaitForWindow(L"Adapter-Auswahl");
      if (dialog == nullptr) return;
      seen.Found = true;
      HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
      const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[256] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
        seen.Items.push_back(buffer);
      }
      seen.Selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
      act(dialog, list);
    });
    const bool chosen = Engine.SelectAdapter();
    driver.join();
    return chosen;
  }
};

TEST_F(AdapterDialogTest, ListsByDescriptionSortedAndOkTakesThePreselectedFirst) {
  Seen seen;
  EXPECT_TRUE(Select(seen, [](HWND dialog, HWND) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); }));
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Items,
            (std::vector<std::wstring>{L"Alpha - keine IPv4-Adresse", L"Beta - keine IPv4-Adresse",
                                       L"zeta0 - keine IPv4-Adresse"}));
  EXPECT_EQ(seen.Selected, 0);
  EXPECT_EQ(AppSettings.DeviceName, L"\\Device\\NPF_alpha");
  EXPECT_EQ(Frees.load(), 1);
}

TEST_F(AdapterDialogTest, OkStoresTheNameOfTheChosenItem) {
  Seen seen;
  EXPECT_TRUE(Select(seen, [](HWND dialog, HWND list) {
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }));
  EXPECT_EQ(AppSettings.DeviceName, L"zeta0");
  seen = Seen{};
  EXPECT_TRUE(Select(seen, [](HWND dialog, HWND list) {
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }));
  EXPECT_EQ(AppSettings.DeviceName, L"\\Device\\NPF_beta");
}

TEST_F(AdapterDialogTest, CancelEscapeAndClosingChangeNothing) {
  for (const auto& how : std::vector<std::function<void(HWND)>>{
           [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); },
           [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); },
       }) {
    Seen seen;
    EXPECT_FALSE(Select(seen, [&](HWND dialog, HWND) { how(dialog); }));
    EXPECT_TRUE(seen.Found);
    EXPECT_EQ(AppSettings.DeviceName, L"unchanged");
  }
  EXPECT_EQ(Frees.load(), 2);
}

TEST_F(AdapterDialogTest, TheTemplateHasItsTextsAndListStyles) {
  Seen seen;
  std::wstring caption, label, ok, cancel;
  LONG listStyle = 0;
  RECT client{}, expected{0, 0, 280, 122};
  Select(seen, [&](HWND dialog, HWND list) {
    caption = Text(dialog);
    ok = Text(GetDlgItem(dialog, IDOK));
    cancel = Text(GetDlgItem(dialog, IDCANCEL));
    HWND child = GetWindow(dialog, GW_CHILD); // the label comes first
    label = Text(child);
    listStyle = GetWindowLongW(list, GWL_STYLE);
    GetClientRect(dialog, &client);
    MapDialogRect(dialog, &expected);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(caption, L"Adapter-Auswahl");
  EXPECT_EQ(label, L"Bitte wählen Sie den Netzwerkadapter aus:");
  EXPECT_EQ(ok, L"OK");
  EXPECT_EQ(cancel, L"Abbrechen");
  // (The list box itself drops its border and scroll bar styles as it likes.)
  const LONG wanted = LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_TABSTOP;
  EXPECT_EQ(listStyle & wanted, wanted);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);
}

// The system's first adapter with an IPv4 address: its GUID, friendly name and
// address, as GetAdaptersAddresses tells them.
bool FirstSystemAdapterWithIpv4(std::string& guid, std::wstring& friendly, std::wstring& address) {
  ULONG size = 64 * 1024;
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  if (GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_DNS_SERVER, nullptr, list, &size) != NO_ERROR) return false;
  for (const IP_ADAPTER_ADDRESSES* a = list; a != nullptr; a = a->Next) {
    if (a->FirstUnicastAddress == nullptr) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->FirstUnicastAddress->Address.lpSockaddr);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
    guid = a->AdapterName;
    friendly = a->FriendlyName;
    address = std::to_wstring(b[0]) + L"." + std::to_wstring(b[1]) + L"." + std::to_wstring(b[2]) + L"." +
              std::to_wstring(b[3]);
    return true;
  }
  return false;
}

TEST_F(AdapterDialogTest, AdaptersShowTheSystemsNameAndAddressBesideTheDescription) {
  std::string guid;
  std::wstring friendly, address;
  ASSERT_TRUE(FirstSystemAdapterWithIpv4(guid, friendly, address));
  // The capture library may spell the GUID in another case.
  for (char& c : guid)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  lstrcpyA(KnownName, ("\\Device\\NPF_" + guid).c_str());
  WithNamedDevices = true;
  Seen seen;
  EXPECT_TRUE(Select(seen, [](HWND dialog, HWND list) {
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }));
  WithNamedDevices = false;
  // Still sorted by description; the system's name and address win over the
  // library's, which serves where the system does not know the adapter.
  const std::wstring known =
      friendly == L"Gamma" ? L"Gamma - " + address : L"Gamma - " + friendly + L", " + address;
  EXPECT_EQ(seen.Items,
            (std::vector<std::wstring>{L"Alpha - keine IPv4-Adresse", L"Beta - keine IPv4-Adresse",
                                       L"Delta - 10.9.8.7", known, L"zeta0 - keine IPv4-Adresse"}));
  EXPECT_EQ(AppSettings.DeviceName, L"\\Device\\NPF_Loopback");
}

TEST_F(AdapterDialogTest, AFailedEnumerationShowsTheErrorAndCountsAsCancel) {
  EnumerationFails = true;
  std::wstring boxText;
  std::thread driver([&] {
    HWND box = WaitForWindow(L"Fehler");
    if (box == nullptr) return;
    boxText = Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_FALSE(Engine.SelectAdapter());
  driver.join();
  EXPECT_EQ(boxText, L"Fehler beim Auflisten der Netzwerkadapter!");
  EXPECT_EQ(AppSettings.DeviceName, L"unchanged");
}

TEST_F(AdapterDialogTest, AStartWithoutAnAdapterAsksAndACancelStartsNothing) {
  AppSettings.DeviceName.clear();
  std::thread driver([] {
    if (HWND dialog = WaitForWindow(L"Adapter-Auswahl")) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(Engine.StartCapture(false));
  driver.join();
  EXPECT_EQ(Enumerations.load(), 1);
  EXPECT_TRUE(AppSettings.DeviceName.empty());
}

} // namespace
