#include "tests/view/graph_harness_win32.h"

#include <cstdio>
#include <stdexcept>

namespace {

// The cursor of the paint in progress; the source's cursor hook has no context.
const FakeGraphData* CursorOwner = nullptr;

FakeGraphData& Fake(void* c) { return *static_cast<FakeGraphData*>(c); }

LRESULT CALLBACK GraphTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<GraphTestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
  case WM_PRINTCLIENT:
    if (self) {
      const GraphSource source = self->Data.Source();
      CursorOwner = &self->Data;
      PaintGraphFrom(window, reinterpret_cast<HDC>(wParam), source, self->Options, self->Memory,
                     self->Buffer);
      CursorOwner = nullptr;
    }
    return 0;
  case WM_ERASEBKGND: return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* kClassName = L"BytwachtGraphTestWindow";

} // namespace

GraphSource FakeGraphData::Source() {
  GraphSource s;
  s.Context = this;
  s.Lock = [](void* c) {
    Fake(c).Locked = true;
    ++Fake(c).Locks;
  };
  s.Unlock = [](void* c) {
    if (Fake(c).BeforeUnlock) Fake(c).BeforeUnlock();
    Fake(c).Locked = false;
  };
  s.History = [](void* c) -> const TrafficHistory& {
    if (!Fake(c).Locked) ++Fake(c).ReadsWithoutLock;
    return Fake(c).History;
  };
  s.Counters = [](void* c) {
    if (!Fake(c).Locked) ++Fake(c).ReadsWithoutLock;
    return Fake(c).Counters;
  };
  s.Cursor = [](HWND) { return CursorOwner ? CursorOwner->Cursor : GraphCursor{}; };
  return s;
}

namespace {

HDC ScreenCompatibleDc() {
  WindowDC screen(nullptr);
  return CreateCompatibleDC(screen.Get());
}

// A top-down 32-bit DIB section; `bits` receives its pixels.
HBITMAP CreateDib(HDC dc, int width, int height, std::uint32_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* raw = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
  if (dc == nullptr || bitmap == nullptr) throw std::runtime_error("no DIB section");
  bits = static_cast<std::uint32_t*>(raw);
  return bitmap;
}

} // namespace

DibCanvas::DibCanvas(int width, int height)
    : W(width), H(height), Dc_(ScreenCompatibleDc()), Bitmap(CreateDib(Dc_.Get(), width, height, Bits)),
      BitmapSelection(Dc_.Get(), Bitmap.Get()) {}

DibCanvas::~DibCanvas() = default;

Rgb DibCanvas::At(int x, int y) const {
  GdiFlush();
  const std::uint32_t p = Bits[static_cast<std::size_t>(y) * W + x];
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

void DibCanvas::FillWith(Rgb c) {
  GdiFlush();
  for (int i = 0; i < W * H; ++i)
    Bits[i] = (std::uint32_t{c.R} << 16) | (std::uint32_t{c.G} << 8) | c.B;
}

int DibCanvas::Lit(int x0, int y0, int x1, int y1) const {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!(At(x, y) == Rgb{})) ++n;
  return n;
}

bool DibCanvas::SaveBmp(const std::wstring& path) const {
  GdiFlush();
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  const DWORD imageSize = static_cast<DWORD>(W) * H * 4;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + imageSize;
  info.biSize = sizeof(info);
  info.biWidth = W;
  info.biHeight = -H;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(&file, sizeof(file), 1, f) == 1 && fwrite(&info, sizeof(info), 1, f) == 1 &&
            fwrite(Bits, imageSize, 1, f) == 1;
  return fclose(f) == 0 && ok;
}

GraphTestWindow::GraphTestWindow(int width, int height, FakeGraphData& data, Settings& settings)
    : Data(data), Options(settings) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = GraphTestProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = kClassName;
  RegisterClassW(&cls); // fails harmlessly when a second window registers it again
  Window.Reset(CreateWindowExW(0, kClassName, L"graph", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                               cls.hInstance, nullptr));
  if (!Window) throw std::runtime_error("no window");
  SetWindowLongPtrW(Window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

GraphTestWindow::~GraphTestWindow() = default;

void GraphTestWindow::PrintTo(const DibCanvas& canvas) {
  SendMessageW(Window.Get(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
}
