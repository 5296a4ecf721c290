#include "app/logic/about_text.h"

#include "bytwacht_version.h"

std::wstring BuildAboutText(const std::wstring& installedVersion) {
  std::wstring text =
      L"Programm zur Überwachung des Netzwerktraffics mit dem Netzwerk-Capturetreiber WinPCap.\n"
      L"\n"
      L"© 2026 Die Bytwacht-Entwickler\n"
      L"\n"
      L"WinPCap-Homepage: https://www.winpcap.org/\n"
      L"\n"
      L"Verwendete WinPCap-SDK-Version: 4.0\n"
      L"Installierte Version:\n";
  text += installedVersion.empty() ? L"nicht gefunden (wpcap.dll fehlt)" : installedVersion;
  // Our own version after the library's, where users look for it.
  text += L"\n\nBytwacht-Version: " BYTWACHT_VERSION_TEXT;
  return text;
}
