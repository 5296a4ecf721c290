#pragma once
// The program's diagnostic channel: a Win32 call whose failure it tolerates
// (the program goes on as it would anyway) is reported as one debug-output
// line with the call's name and its error code, so that a debugger or
// DebugView shows it and a user's report can carry it. Nothing is written to
// a file and nothing changes what the program does.
#include <windows.h>

// Reports `call` with GetLastError(). Call it straight after the failed call,
// before anything else can overwrite the thread's last error.
void LogLastError(const wchar_t* call);
// Reports `call` with an error code that the call returned itself (an
// LSTATUS, an HRESULT).
void LogFailure(const wchar_t* call, unsigned long error);

// Tests catch the lines here instead of the debugger; null restores it.
using DiagnosticSink = void (*)(const wchar_t* line);
void SetDiagnosticSink(DiagnosticSink sink);
