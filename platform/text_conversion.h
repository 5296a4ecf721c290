#pragma once
// Whole-string conversion between wide text and the system's narrow code page:
// the ANSI code page on Windows, UTF-8 in the native build.
#include <string>

std::string WideToNarrow(const std::wstring& wide);
std::wstring NarrowToWide(const std::string& narrow);
