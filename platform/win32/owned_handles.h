#pragma once
// Owners of Win32 handles, for the program and its test harnesses alike. Each
// gives its handle back exactly once, with the function that belongs to it,
// and knows which value means "none": null for most handles, but
// INVALID_HANDLE_VALUE for files, whose null is a valid (if unlikely) handle.
#include <windows.h>

#include <utility>

// Traits: the handle type, its "none" value and how it is given back.
template <typename Handle, auto Free> struct NullIsEmpty {
  using Type = Handle;
  static Type Empty() { return nullptr; }
  static void Release(Type handle) { Free(handle); }
};

struct FileHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static void Release(Type handle) { CloseHandle(handle); }
};

template <typename Traits> class Owned {
public:
  using Handle = typename Traits::Type;

  Owned() = default;
  explicit Owned(Handle handle) : Value(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : Value(other.Detach()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~Owned() { Reset(); }

  void Reset(Handle handle = Traits::Empty()) {
    if (Value != Traits::Empty()) Traits::Release(Value);
    Value = handle;
  }
  // Gives the handle up without releasing it (for a caller that must learn
  // whether the release worked, as a file's close).
  Handle Detach() { return std::exchange(Value, Traits::Empty()); }
  Handle Get() const { return Value; }
  explicit operator bool() const { return Value != Traits::Empty(); }

private:
  Handle Value = Traits::Empty();
};

// Kernel objects (threads, mutexes, events); files use OwnedFile.
using OwnedKernelHandle = Owned<NullIsEmpty<HANDLE, &CloseHandle>>;
using OwnedFile = Owned<FileHandleTraits>;
using OwnedModule = Owned<NullIsEmpty<HMODULE, &FreeLibrary>>;
using OwnedKey = Owned<NullIsEmpty<HKEY, &RegCloseKey>>;
using OwnedIcon = Owned<NullIsEmpty<HICON, &DestroyIcon>>;
using OwnedMenu = Owned<NullIsEmpty<HMENU, &DestroyMenu>>;
using OwnedWindow = Owned<NullIsEmpty<HWND, &DestroyWindow>>;
// A DC that we created (CreateCompatibleDC); a window's DC is a WindowDC.
using OwnedDc = Owned<NullIsEmpty<HDC, &DeleteDC>>;
// Pens, brushes, fonts and bitmaps that we created ourselves.
using OwnedBitmap = Owned<NullIsEmpty<HBITMAP, &DeleteObject>>;
using OwnedFont = Owned<NullIsEmpty<HFONT, &DeleteObject>>;

// The DC of a window (or of the screen, for a null window), released on scope exit.
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

// Selects an object into a DC and puts the previous one back. Declare it after
// the owner of the object, so the object is deselected before it is deleted.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ object) : Dc(dc), Previous(object ? SelectObject(dc, object) : nullptr) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (Previous && Previous != HGDI_ERROR) SelectObject(Dc, Previous);
  }

private:
  HDC Dc;
  HGDIOBJ Previous;
};
