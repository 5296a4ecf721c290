#pragma once
// Opaque handles of the user interface (HINSTANCE and HWND on Windows), so that
// code shared with the native build needs no Windows headers.
using ModuleHandle = void*;
using WindowHandle = void*;
