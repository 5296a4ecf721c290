#pragma once
// Owners for the Win32 handles of the user interface: each releases its
// handle exactly once, with the function that belongs to it.
#include <windows.h>

#include <utility>

template <typename Handle, typename Release, Release release> class OwnedHandle {
public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : Value(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : Value(std::exchange(other.Value, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.Value, nullptr));
    return *this;
  }
  ~OwnedHandle() { Reset(); }

  void Reset(Handle handle = nullptr) {
    if (Value != nullptr) release(Value);
    Value = handle;
  }
  Handle Get() const { return Value; }
  explicit operator bool() const { return Value != nullptr; }

private:
  Handle Value = nullptr;
};

using OwnedIcon = OwnedHandle<HICON, decltype(&DestroyIcon), &DestroyIcon>;
using OwnedMenu = OwnedHandle<HMENU, decltype(&DestroyMenu), &DestroyMenu>;
inline BOOL ReleaseFontObject(HFONT font) { return DeleteObject(font); }
using OwnedFont = OwnedHandle<HFONT, decltype(&ReleaseFontObject), &ReleaseFontObject>;
using OwnedKey = OwnedHandle<HKEY, decltype(&RegCloseKey), &RegCloseKey>;
using OwnedKernelHandle = OwnedHandle<HANDLE, decltype(&CloseHandle), &CloseHandle>;
using OwnedModule = OwnedHandle<HMODULE, decltype(&FreeLibrary), &FreeLibrary>;

// The screen DC of a window, released on scope exit.
class WindowDC {
public:
  explicit WindowDC(HWND window) : Window(window), Dc(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (Dc != nullptr) ReleaseDC(Window, Dc);
  }
  HDC Get() const { return Dc; }

private:
  HWND Window;
  HDC Dc;
};
