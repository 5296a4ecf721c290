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
  // One question for the cursor per paint (each is a round trip to the window
  // system under Wine), and both answers then tell of the same position.
  GraphCursor c;
  POINT p{};
  RECT r{};
  if (!GetCursorPos(&p)) return c;
  c.InWindow = GetWindowRect(window, &r) && PtInRect(&r, p);
  ScreenToClient(window, &p);
  c.X = p.x;
  c.Y = p.y;
  return c;
}

void PaintGraphFrom(HWND window, HDC dc, const GraphSource& source, const Settings& settings,
                    GraphMemory& memory, GraphBuffer& buffer) {
  RECT client{};
  GetClientRect(window, &client);
  const DpiScale scale{WindowDpi(window)};
  const HDC mem = buffer.Prepare(client.right, client.bottom, scale);
  if (mem == nullptr) return;

  GraphInput input;
  input.Settings.Interval = settings.Interval.load();
  input.Settings.AvgTime = settings.AvgTime.load();
  input.Settings.UseGradients = settings.UseGradients;
  input.Settings.ShowInOut = settings.ShowInOut;
  input.Scale = scale;
  input.Measure = MeasureTextOnDc;
  input.MeasureContext = mem;
  input.Width = client.right;
  input.Height = client.bottom;
  // Asking for the cursor may go to the window system: not while the packet
  // handler waits for the lock.
  input.Cursor = source.Cursor(window);
  GraphPicture picture;
  {
    // Only the composing reads the records; the picture owns its texts.
    SourceLock lock(source);
    input.History = &source.History(source.Context);
    input.Counters = source.Counters(source.Context);
    input.Settings.BytesTransmitted = settings.BytesTransmitted.load();
    picture = ComposeGraph(input, memory);
  }
  ExecuteDrawList(mem, picture.Ops);
  BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
}
