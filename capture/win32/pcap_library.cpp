#include "capture/pcap_api.h"

#include <atomic>
#include <string>
#include <utility>
#include <windows.h>

namespace {

std::atomic<const PcapFunctions*> Override{nullptr};

bool Complete(const PcapFunctions& f) {
  return f.FindAllDevs && f.FreeAllDevs && f.Open && f.Compile && f.SetFilter && f.FreeCode && f.Dispatch &&
         f.DataLink && f.BreakLoop && f.Close && f.LibVersion;
}

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

// wpcap.dll from `folder` (a system folder) and nowhere else. Its own
// dependencies (Npcap's Packet.dll) come from the same folder or System32,
// never from the program's folder, the current directory or PATH, where a
// planted copy would run with the user's rights.
OwnedModule LoadFromSystemFolder(const std::wstring& folder) {
  const std::wstring path = folder + L"\\wpcap.dll";
  return OwnedModule(
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
}

OwnedModule LoadWpcap() {
  // Npcap installs its wpcap.dll into System32\Npcap, an old WinPcap (and
  // Npcap's WinPcap-compatible mode) into System32 itself, where Wine keeps
  // its own.
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return OwnedModule();
  const std::wstring systemFolder(system, length);
  if (OwnedModule npcap = LoadFromSystemFolder(systemFolder + L"\\Npcap")) return npcap;
  return LoadFromSystemFolder(systemFolder);
}

} // namespace

void SetPcapFunctions(const PcapFunctions* functions) { Override = functions; }

bool PcapLibrary::Load() {
  if (Loaded) return true;
  if (const PcapFunctions* chosen = Override.load()) {
    Functions = *chosen;
    Loaded = Complete(Functions);
    return Loaded;
  }
  OwnedModule module = LoadWpcap();
  if (!module) return false;
  PcapFunctions f{};
  const bool complete =
      Resolve(module.Get(), "pcap_findalldevs", f.FindAllDevs) &&
      Resolve(module.Get(), "pcap_freealldevs", f.FreeAllDevs) &&
      Resolve(module.Get(), "pcap_open", f.Open) && Resolve(module.Get(), "pcap_compile", f.Compile) &&
      Resolve(module.Get(), "pcap_setfilter", f.SetFilter) &&
      Resolve(module.Get(), "pcap_freecode", f.FreeCode) &&
      Resolve(module.Get(), "pcap_dispatch", f.Dispatch) &&
      Resolve(module.Get(), "pcap_datalink", f.DataLink) &&
      Resolve(module.Get(), "pcap_breakloop", f.BreakLoop) && Resolve(module.Get(), "pcap_close", f.Close) &&
      Resolve(module.Get(), "pcap_lib_version", f.LibVersion);
  if (!complete) return false; // the library is freed again
  Module = std::move(module);
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
