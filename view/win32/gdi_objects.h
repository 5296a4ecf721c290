#pragma once
// Owners of the GDI objects one paint creates, and of the selections it makes,
// so every exit path gives them back in the right order.
#include <windows.h>

class MemoryDc {
public:
  explicit MemoryDc(HDC compatibleWith) : Dc(CreateCompatibleDC(compatibleWith)) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() {
    if (Dc) DeleteDC(Dc);
  }
  HDC Get() const { return Dc; }

private:
  HDC Dc;
};

// A pen, brush, font or bitmap that we created ourselves.
class GdiObject {
public:
  explicit GdiObject(HGDIOBJ object) : Object(object) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() {
    if (Object) DeleteObject(Object);
  }
  HGDIOBJ Get() const { return Object; }

private:
  HGDIOBJ Object;
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
