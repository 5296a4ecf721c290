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
  OutputDebugStringW(line);
}

void SetDiagnosticSink(DiagnosticSink sink) { Sink = sink; }
