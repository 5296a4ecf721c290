#include "capture/pcap_api.h"

#include <atomic>
#include <string>
#include <windows.h>

namespace {

std::atomic<const PcapFunctions*> Override{nullptr};

bool Complete(const PcapFunctions& f) {
  return f.FindAllDevs && f.FreeAllDevs && f.Open && f.Compile && f.SetFilter && f.FreeCode && f.Dispatch &&
         f.BreakLoop && f.Close && f.LibVersion;
}

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

HMODULE LoadWpcap() {
  // Npcap installs its wpcap.dll into System32\Npcap; an old WinPcap (or Wine)
  // has it where the normal search finds it.
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::wstring npcap = std::wstring(system, length) + L"\\Npcap\\wpcap.dll";
    if (HMODULE module = LoadLibraryExW(npcap.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return module;
  }
  return LoadLibraryW(L"wpcap.dll");
}

} // namespace

PcapLibrary::~PcapLibrary() {
  if (Module != nullptr) FreeLibrary(static_cast<HMODULE>(Module));
}

void SetPcapFunctions(const PcapFunctions* functions) { Override = functions; }

bool PcapLibrary::Load() {
  if (Loaded) return true;
  if (const PcapFunctions* chosen = Override.load()) {
    Functions = *chosen;
    Loaded = Complete(Functions);
    return Loaded;
  }
  HMODULE module = LoadWpcap();
  if (module == nullptr) return false;
  PcapFunctions f{};
  const bool complete =
      Resolve(module, "pcap_findalldevs", f.FindAllDevs) &&
      Resolve(module, "pcap_freealldevs", f.FreeAllDevs) && Resolve(module, "pcap_open", f.Open) &&
      Resolve(module, "pcap_compile", f.Compile) && Resolve(module, "pcap_setfilter", f.SetFilter) &&
      Resolve(module, "pcap_freecode", f.FreeCode) && Resolve(module, "pcap_dispatch", f.Dispatch) &&
      Resolve(module, "pcap_breakloop", f.BreakLoop) && Resolve(module, "pcap_close", f.Close) &&
      Resolve(module, "pcap_lib_version", f.LibVersion);
  if (!complete) {
    FreeLibrary(module);
    return false;
  }
  Module = module;
  Functions = f;
  Loaded = true;
  return true;
}

const char* PcapVersionText() {
  // The text lives in the library's data, so the library stays loaded once asked.
  static PcapLibrary library;
  static const char* text = library.Load() ? library.Calls().LibVersion() : "";
  return text;
}
