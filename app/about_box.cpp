#include "app/about_box.h"

#include "app/logic/about_text.h"
#include "capture/pcap_api.h"
#include "platform/text_conversion.h"
#include "platform/win32/diagnostics.h"
#include "res/resource.h"

void ShowAboutBox(HWND owner) {
  const std::wstring text = BuildAboutText(NarrowToWide(PcapVersionText()));
  MSGBOXPARAMSW box{};
  box.cbSize = sizeof(box);
  box.hwndOwner = owner;
  box.hInstance = GetModuleHandleW(nullptr);
  box.lpszText = text.c_str();
  box.lpszCaption = L"Über Bytwacht";
  box.dwStyle = MB_OK | MB_USERICON;
  box.lpszIcon = MAKEINTRESOURCEW(IconApp);
  box.dwLanguageId = 0;
  if (MessageBoxIndirectW(&box) == 0) LogLastError(L"MessageBoxIndirectW");
}
