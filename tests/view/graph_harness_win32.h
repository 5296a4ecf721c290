#pragma once
// Paints the graph of a made-up history into a 32-bit DIB through the window
// message the main window answers (WM_PRINTCLIENT), for pixel tests and pictures.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/owned_handles.h"
#include "view/win32/graph_painter.h"

// History, counters and cursor of a paint, with a lock that records its use.
struct FakeGraphData {
  TrafficHistory History;
  EngineCounters Counters;
  GraphCursor Cursor;
  bool Locked = false;
  int Locks = 0;
  int ReadsWithoutLock = 0;
  std::function<void()> BeforeUnlock;

  GraphSource Source();
};

class DibCanvas {
public:
  DibCanvas(int width, int height);
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  ~DibCanvas();

  HDC Dc() const { return Dc_.Get(); }
  int Width() const { return W; }
  int Height() const { return H; }
  Rgb At(int x, int y) const;
  void FillWith(Rgb c);
  // Number of pixels in [x0, x1) x [y0, y1) that are not black.
  int Lit(int x0, int y0, int x1, int y1) const;
  bool SaveBmp(const std::wstring& path) const;

private:
  int W, H;
  std::uint32_t* Bits = nullptr;
  // In this order, so the bitmap is deselected before it goes, and it before its DC.
  OwnedDc Dc_;
  OwnedBitmap Bitmap;
  Selection BitmapSelection;
};

// A hidden pop-up window of the given client size whose WM_PRINTCLIENT paints the graph.
class GraphTestWindow {
public:
  GraphTestWindow(int width, int height, FakeGraphData& data, Settings& settings);
  GraphTestWindow(const GraphTestWindow&) = delete;
  GraphTestWindow& operator=(const GraphTestWindow&) = delete;
  ~GraphTestWindow();

  HWND Handle() const { return Window.Get(); }
  void PrintTo(const DibCanvas& canvas);

  FakeGraphData& Data;
  Settings& Options;
  GraphMemory Memory;
  GraphBuffer Buffer;

private:
  OwnedWindow Window;
};
