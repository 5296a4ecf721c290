#pragma once
// The graph window's off-screen picture and the font its texts are drawn in,
// kept from one paint to the next. Making a bitmap and a font for every paint
// cost more than drawing the graph, once a second for as long as the window
// is open; they are made again only when the window outgrows the bitmap.
#include <windows.h>

#include "platform/win32/owned_handles.h"
#include "view/dpi_scale.h"

class GraphBuffer {
public:
  GraphBuffer() = default;
  GraphBuffer(const GraphBuffer&) = delete;
  GraphBuffer& operator=(const GraphBuffer&) = delete;
  ~GraphBuffer();

  // A memory DC with a 32-bit bitmap of at least width x height pixels (the
  // same picture whatever DC it is later copied to), the graph's font at
  // `scale`, the DC pen and a transparent text background selected; null
  // when GDI refuses.
  HDC Prepare(int width, int height, const DpiScale& scale);

private:
  void Release();

  OwnedDc Memory;
  OwnedBitmap Bitmap;
  OwnedFont Font;
  // What the memory DC held before, put back before the objects go.
  HGDIOBJ FirstBitmap = nullptr;
  HGDIOBJ FirstFont = nullptr;
  HGDIOBJ FirstPen = nullptr;
  int Width = 0;
  int Height = 0;
  int FontHeight = 0;
};
