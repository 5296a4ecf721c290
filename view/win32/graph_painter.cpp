#include "view/win32/graph_painter.h"

#include <algorithm>

#include "platform/win32/dpi.h"
#include "platform/win32/owned_handles.h"
#include "view/win32/graph_canvas.h"

namespace {

class SourceLock {
public:
  explicit SourceLock(const GraphSource& source) : Source(source) { Source.Lock(Source.Context); }
  SourceLock(const SourceLock&) = delete;
  SourceLock& operator=(const SourceLock&) = delete;
  ~SourceLock() { Release(); }
  void Release() {
    if (Held) Source.Unlock(Source.Context);
    Held = false;
  }

private:
  const GraphSource& Source;
  bool Held = true;
};

} // namespace

HFONT CreateGraphFont(const DpiScale& scale) {
  return CreateFontW(scale.Px(GraphFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                     0, 0, 0, L"Arial");
}

bool IsCursorInWindow(HWND window) {
  POINT p{};
  RECT r{};
  if (!GetCursorPos(&p) || !GetWindowRect(window, &r)) return false;
  return PtInRect(&r, p) != FALSE;
}

GraphCursor ReadGraphCursor(HWND window) {
  GraphCursor c;
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  c.X = p.x;
  c.Y = p.y;
  c.InWindow = IsCursorInWindow(window);
  return c;
}

void PaintGraphFrom(HWND window, HDC dc, const GraphSource& source, const Settings& settings,
                    GraphMemory& memory) {
  RECT client{};
  GetClientRect(window, &client);
  // Screen-sized, so resizing does not need a new size each time; but never
  // smaller than the client area, or a window wider than the screen would
  // show whatever lay outside the bitmap.
  const int bufferWidth = std::max<int>(GetDeviceCaps(dc, HORZRES), client.right);
  const int bufferHeight = std::max<int>(GetDeviceCaps(dc, VERTRES), client.bottom);

  const DpiScale scale{WindowDpi(window)};

  OwnedDc buffer(CreateCompatibleDC(dc));
  OwnedBitmap bitmap(CreateCompatibleBitmap(dc, bufferWidth, bufferHeight));
  OwnedFont font(CreateGraphFont(scale));
  const HDC mem = buffer.Get();
  Selection bitmapSelection(mem, bitmap.Get());
  Selection fontSelection(mem, font.Get());
  Selection penSelection(mem, GetStockObject(DC_PEN));
  SetBkMode(mem, TRANSPARENT);

  GraphInput input;
  input.Settings.Interval = settings.Interval.load();
  input.Settings.AvgTime = settings.AvgTime.load();
  input.Settings.UseGradients = settings.UseGradients;
  input.Settings.ShowInOut = settings.ShowInOut;
  input.Scale = scale;
  input.Measure = MeasureTextOnDc;
  input.MeasureContext = mem;
  {
    SourceLock lock(source);
    input.History = &source.History(source.Context);
    GetClientRect(window, &client);
    input.Width = client.right;
    input.Height = client.bottom;
    input.Cursor = source.Cursor(window);
    input.Counters = source.Counters(source.Context);
    input.Settings.BytesTransmitted = settings.BytesTransmitted.load();
    const GraphPicture picture = ComposeGraph(input, memory);
    ExecuteDrawList(mem, picture.Ops);
    lock.Release();
  }

  GetClientRect(window, &client);
  BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
}
