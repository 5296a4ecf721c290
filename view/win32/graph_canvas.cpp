#include "view/win32/graph_canvas.h"

namespace {

COLORREF ToColorRef(Rgb c) { return RGB(c.R, c.G, c.B); }

TRIVERTEX Vertex(int x, int y, Rgb c) {
  TRIVERTEX v{};
  v.x = x;
  v.y = y;
  v.Red = static_cast<COLOR16>(c.R << 8);
  v.Green = static_cast<COLOR16>(c.G << 8);
  v.Blue = static_cast<COLOR16>(c.B << 8);
  return v;
}

} // namespace

void ExecuteDrawList(HDC dc, const DrawList& ops) {
  for (const DrawOp& op : ops) {
    switch (op.Kind) {
    case DrawKind::Fill: {
      RECT r{op.X1, op.Y1, op.X2, op.Y2};
      SetDCBrushColor(dc, ToColorRef(op.Colour));
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      break;
    }
    case DrawKind::Line:
      SetDCPenColor(dc, ToColorRef(op.Colour));
      MoveToEx(dc, op.X1, op.Y1, nullptr);
      LineTo(dc, op.X2, op.Y2);
      break;
    case DrawKind::Rect:
      // A rectangle of no height covers no pixel; some GDIs would still draw its outline.
      if (op.Y1 == op.Y2) break;
      SetDCPenColor(dc, ToColorRef(op.Colour));
      Rectangle(dc, op.X1, op.Y1, op.X2, op.Y2);
      break;
    case DrawKind::Gradient: {
      TRIVERTEX v[2] = {Vertex(op.X1, op.Y1, op.Colour), Vertex(op.X2, op.Y2, op.Colour2)};
      GRADIENT_RECT r{0, 1};
      GradientFill(dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V);
      break;
    }
    case DrawKind::Text:
      SetTextAlign(dc, (op.Align == TextAlign::Right ? TA_RIGHT : TA_LEFT) | TA_TOP);
      SetTextColor(dc, ToColorRef(op.Colour));
      TextOutW(dc, op.X1, op.Y1, op.Text.c_str(), static_cast<int>(op.Text.size()));
      break;
    case DrawKind::TabbedText: {
      SetTextAlign(dc, TA_LEFT | TA_TOP);
      SetTextColor(dc, ToColorRef(op.Colour));
      INT stops[2] = {op.TabStops[0], op.TabStops[1]};
      TabbedTextOutW(dc, op.X1, op.Y1, op.Text.c_str(), static_cast<int>(op.Text.size()), 2, stops, 0);
      break;
    }
    }
  }
}

int MeasureTextOnDc(void* dc, std::wstring_view text) {
  SIZE size{};
  GetTextExtentPoint32W(static_cast<HDC>(dc), text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}
