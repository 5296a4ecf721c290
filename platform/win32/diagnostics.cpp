#include "platform/win32/diagnostics.h"

#include <atomic>
#include <cwchar>
#include <iterator>

namespace {

std::atomic<DiagnosticSink> Sink{nullptr};

} // namespace

void LogLastError(const wchar_t* call) { LogFailure(call, GetLastError()); }

void LogFailure(const wchar_t* call, unsigned long error) {
  // A fixed buffer that always fits (names are cut at 100 characters):
  // reporting must not allocate, nor fail in turn.
  wchar_t line[160] = {};
  std::swprintf(line, std::size(line), L"Bytwacht: %.100ls fehlgeschlagen (Fehler %lu, 0x%08lX)\n", call,
                error, error);
  if (DiagnosticSink sink = Sink.load()) {
    sink(line);
    return;
  }
  // Handed over narrow: the line is ASCII (call names are identifiers), a
  // debugger and DebugView show either form alike, and Wine shows only the
  // narrow one (WINEDEBUG=+debugstr), where a wide line is dropped.
  char narrow[std::size(line)];
  for (std::size_t i = 0; i < std::size(line); ++i)
    narrow[i] = line[i] < 0x80 ? static_cast<char>(line[i]) : '?';
  OutputDebugStringA(narrow);
}

void SetDiagnosticSink(DiagnosticSink sink) { Sink = sink; }
