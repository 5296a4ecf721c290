#include "settings/win32/autostart.h"

#include "platform/win32/owned_handles.h"
#include "settings/autostart_value.h"

std::wstring ModulePath() {
  // A path longer than a fixed buffer would be cut silently and registered as
  // a program that does not exist; grow until it fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

namespace {

bool OpenRunKey(const wchar_t* keyPath, OwnedKey& key, REGSAM access = KEY_WRITE) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, access, &raw) != ERROR_SUCCESS) return false;
  key.Reset(raw);
  return true;
}

bool WriteValue(HKEY key, const std::wstring& data) {
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, AutostartValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        bytes) == ERROR_SUCCESS;
}

// The value's text; false when it is missing or no string. RegGetValueW
// makes sure the text ends in a zero, which the registry does not promise.
bool ReadValue(HKEY key, std::wstring& data) {
  DWORD bytes = 0;
  if (RegGetValueW(key, nullptr, AutostartValueName, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS)
    return false;
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(key, nullptr, AutostartValueName, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) !=
      ERROR_SUCCESS)
    return false;
  data = buffer.c_str();
  return true;
}

} // namespace

AutostartResult RegisterAutostart(const wchar_t* keyPath, const std::wstring& programPath) {
  OwnedKey key;
  if (!OpenRunKey(keyPath, key)) return AutostartResult::KeyNotOpened;
  if (programPath.empty()) return AutostartResult::NotWritten;
  return WriteValue(key.Get(), AutostartCommand(programPath)) ? AutostartResult::Written
                                                              : AutostartResult::NotWritten;
}

bool QuoteBareAutostart(const wchar_t* keyPath, const std::wstring& programPath) {
  OwnedKey key;
  std::wstring value;
  if (!OpenRunKey(keyPath, key, KEY_QUERY_VALUE | KEY_SET_VALUE) || !ReadValue(key.Get(), value))
    return false;
  return AutostartNeedsQuotes(value, programPath) && WriteValue(key.Get(), AutostartCommand(programPath));
}

AutostartResult RemoveAutostart(const wchar_t* keyPath) {
  OwnedKey key;
  if (!OpenRunKey(keyPath, key)) return AutostartResult::KeyNotOpened;
  return RegDeleteValueW(key.Get(), AutostartValueName) == ERROR_SUCCESS ? AutostartResult::Deleted
                                                                         : AutostartResult::NotDeleted;
}

AutostartBox DescribeAutostart(AutostartResult result) {
  switch (result) {
  case AutostartResult::KeyNotOpened:
    return {L"Konnte Registrierungsschlüssel nicht öffnen!", L"Autostart registrieren", MB_ICONWARNING};
  case AutostartResult::Written:
    return {L"Autostart wurde erfolgreich registriert!", L"Autostart registrieren", MB_ICONQUESTION};
  case AutostartResult::NotWritten:
    return {L"Konnte Wert nicht in die Registrierung schreiben!", L"Autostart registrieren", MB_ICONWARNING};
  case AutostartResult::Deleted:
    return {L"Autostart wurde erfolgreich entfernt!", L"Autostart entfernen", MB_ICONQUESTION};
  case AutostartResult::NotDeleted: break;
  }
  return {
      L"Konnte Wert nicht aus der Registrierung entfernen!\n\nEventuell wurde er bereits entfernt oder noch "
      L"nicht gesetzt.",
      L"Autostart entfernen", MB_ICONWARNING};
}
