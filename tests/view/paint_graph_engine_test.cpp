#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32/owned_handles.h"
#include "tests/view/graph_harness_win32.h"
#include "view/win32/paint_graph.h"

namespace {

struct EngineWindow {
  CaptureEngine* Engine;
  Settings* Options;
  GraphMemory Memory;
  GraphBuffer Buffer;
};

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PRINTCLIENT) {
    auto* self = reinterpret_cast<EngineWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    PaintGraph(window, reinterpret_cast<HDC>(wParam), *self->Engine, *self->Options, self->Memory,
               self->Buffer);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The engine before its first capture: an empty history, so the waiting state,
// and the data lock given back.
TEST(PaintGraphWithEngine, FreshEngineShowsTheWaitingStateAndReleasesTheLock) {
  CaptureEngine engine;
  Settings options;
  options.Interval = 1000;
  EngineWindow state{&engine, &options, {}, {}};

  WNDCLASSW cls{};
  cls.lpfnWndProc = EngineWindowProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"BytwachtEngineGraphTest";
  RegisterClassW(&cls);
  OwnedWindow window(CreateWindowExW(0, cls.lpszClassName, L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                     cls.hInstance, nullptr));
  ASSERT_TRUE(window);
  SetWindowLongPtrW(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

  DibCanvas canvas(300, 100);
  canvas.FillWith({1, 2, 3});
  SendMessageW(window.Get(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  window.Reset();

  EXPECT_EQ(canvas.At(0, 80), (Rgb{0, 96, 192}));
  EXPECT_GT(canvas.Lit(5, 5, 200, 18), 50) << "waiting message";
  EXPECT_EQ(canvas.Lit(0, 81, 300, 100), 0);
  EXPECT_THROW(engine.GetBPSData(), std::logic_error) << "the paint left the data locked";
}
