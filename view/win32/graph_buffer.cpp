#include "view/win32/graph_buffer.h"

#include "platform/win32/diagnostics.h"
#include "view/win32/graph_painter.h"

namespace {

// Room to grow, so that dragging the window's edge does not make a bitmap for
// every pixel it moves.
constexpr int SizeStep = 128;

int RoundUp(int value) { return (value + SizeStep - 1) / SizeStep * SizeStep; }

} // namespace

GraphBuffer::~GraphBuffer() { Release(); }

void GraphBuffer::Release() {
  if (Memory) {
    SelectObject(Memory.Get(), FirstBitmap);
    SelectObject(Memory.Get(), FirstFont);
    SelectObject(Memory.Get(), FirstPen);
  }
  Memory.Reset();
  Bitmap.Reset();
  Width = Height = 0;
}

HDC GraphBuffer::Prepare(int width, int height, const DpiScale& scale) {
  const int fontHeight = scale.Px(GraphFontHeight);
  if (Memory && width <= Width && height <= Height && fontHeight == FontHeight) return Memory.Get();
  // A new DPI gives a new font.
  Release();
  if (!Font || fontHeight != FontHeight) {
    Font.Reset(CreateGraphFont(scale));
    if (!Font) LogLastError(L"CreateFontW");
    FontHeight = fontHeight;
  }
  const int w = RoundUp(width > 0 ? width : 1), h = RoundUp(height > 0 ? height : 1);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = w;
  format.bmiHeader.biHeight = -h; // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  OwnedDc memory(CreateCompatibleDC(nullptr));
  OwnedBitmap bitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap) {
    LogLastError(L"CreateDIBSection");
    return nullptr;
  }
  Memory = std::move(memory);
  Bitmap = std::move(bitmap);
  FirstBitmap = SelectObject(Memory.Get(), Bitmap.Get());
  FirstFont =
      SelectObject(Memory.Get(), Font ? static_cast<HGDIOBJ>(Font.Get()) : GetStockObject(SYSTEM_FONT));
  FirstPen = SelectObject(Memory.Get(), GetStockObject(DC_PEN));
  SetBkMode(Memory.Get(), TRANSPARENT);
  Width = w;
  Height = h;
  return Memory.Get();
}
