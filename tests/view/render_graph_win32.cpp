// Renders the graph of made-up histories to BMP files, one per bar mode plus
// the hover read-out and the waiting state, so a person can look at them.
//   render_graph.exe <folder>
#include <cmath>
#include <cstdio>
#include <string>

#include "tests/view/graph_harness_win32.h"

namespace {

// Two minutes of a download with bursts, some upload and a little broadcast
// chatter, averaged over the previous minute as the sampler would.
TrafficHistory MadeUpTraffic(int count) {
  TrafficHistory history;
  std::int64_t window[60] = {};
  std::int64_t sum = 0;
  for (int i = 0; i < count; ++i) {
    BPSSample s;
    const double wave = 0.5 + 0.5 * std::sin(i / 7.0);
    const bool burst = i % 37 > 30;
    s.In = static_cast<std::int64_t>(9000 * wave + (burst ? 24000 : 0));
    s.Out = static_cast<std::int64_t>(2500 * (1.0 - wave) + 400);
    s.Other = (i % 11 == 0) ? 3000 : (i % 5 == 0 ? 0 : 300);
    s.Total = s.In + s.Out + s.Other;
    if (i % 23 == 0) s.In = s.Out = s.Other = s.Total = 0;
    const int n = std::min(i, 60);
    s.Average = n ? sum / n : 0;
    sum += s.Total - window[i % 60];
    window[i % 60] = s.Total;
    s.TopSrcPort = 443;
    s.TopDstPort = 50123;
    s.TopSrcHost = L"download-cache-03.mirror.example.net";
    s.TopDstHost = L"arbeitsplatz.lan";
    history.Append(s);
  }
  return history;
}

bool Render(const std::wstring& folder, const wchar_t* name, int width, int height, FakeGraphData& data,
            Settings& settings) {
  GraphTestWindow window(width, height, data, settings);
  DibCanvas canvas(width, height);
  window.PrintTo(canvas);
  // A second paint, so "max." shows the colour of a repaint without a new record.
  window.PrintTo(canvas);
  const bool ok = canvas.SaveBmp(folder + L"/graph-" + name + L".bmp");
  std::printf("%ls %s\n", name, ok ? "written" : "FAILED");
  return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_graph <folder>\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  bool ok = true;

  FakeGraphData data;
  data.History = MadeUpTraffic(200);
  data.Counters = {48213, 17, 342};
  Settings settings;
  settings.Interval = 1000;
  settings.AvgTime = 60;
  settings.BytesTransmitted = 734003200;

  ok &= Render(folder, L"plain", 300, 100, data, settings);
  ok &= Render(folder, L"plain-wide", 640, 160, data, settings);
  settings.UseGradients = true;
  ok &= Render(folder, L"gradients", 640, 160, data, settings);
  settings.ShowInOut = true;
  ok &= Render(folder, L"gradients-inout", 640, 160, data, settings);
  settings.UseGradients = false;
  ok &= Render(folder, L"inout", 640, 160, data, settings);

  data.Cursor = {640 - 3 * 5 + 1, 100, true}; // over the fifth newest record
  ok &= Render(folder, L"hover", 640, 160, data, settings);
  settings.ShowInOut = false;
  data.Cursor = {297, 60, true};
  ok &= Render(folder, L"hover-small", 300, 100, data, settings);

  FakeGraphData empty;
  ok &= Render(folder, L"waiting", 640, 160, empty, settings);
  return ok ? 0 : 1;
}
