// wpcap.dll comes from a system folder only: a copy planted in the program's
// folder (which is also the current directory here) is never loaded.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <windows.h>

#include "capture/pcap_api.h"

namespace {

std::wstring ModulePath(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<const wchar_t*>(address), &module))
    return {};
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, static_cast<DWORD>(std::size(path)));
  return path;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

TEST(PcapLibraryTest, LoadsTheSystemCopyNotOnePlantedBesideTheProgram) {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, static_cast<DWORD>(std::size(exe)));
  const std::wstring programFolder = Folder(exe);
  ASSERT_NE(GetFileAttributesW((programFolder + L"\\wpcap.dll").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the planted copy is missing";
  ASSERT_TRUE(SetCurrentDirectoryW(programFolder.c_str()));

  PcapLibrary library;
  ASSERT_TRUE(library.Load());
  EXPECT_STRNE(library.Calls().LibVersion(), "planted wpcap.dll");

  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, static_cast<UINT>(std::size(system)));
  const std::wstring loaded = ModulePath(reinterpret_cast<const void*>(library.Calls().LibVersion));
  const std::wstring folder = Folder(loaded);
  EXPECT_TRUE(lstrcmpiW(folder.c_str(), system) == 0 ||
              lstrcmpiW(folder.c_str(), (std::wstring(system) + L"\\Npcap").c_str()) == 0)
      << "loaded from " << std::string(loaded.begin(), loaded.end());
}

} // namespace
