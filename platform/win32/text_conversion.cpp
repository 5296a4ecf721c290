#include "platform/text_conversion.h"

#include <windows.h>

std::string WideToNarrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int need = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return {};
  std::string out(static_cast<std::size_t>(need), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, out.data(), need, nullptr, nullptr);
  return out;
}

std::wstring NarrowToWide(const std::string& narrow) {
  if (narrow.empty()) return {};
  const int size = static_cast<int>(narrow.size());
  const int need = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
  if (need <= 0) return {};
  std::wstring out(static_cast<std::size_t>(need), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, out.data(), need);
  return out;
}
