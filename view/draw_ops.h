#pragma once
// A picture as a list of drawing operations, so that what the graph shows can
// be composed and checked without any drawing library.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/rate_colour.h"

enum class DrawKind : std::uint8_t {
  Fill,       // Colour (black by default) over (X1, Y1)-(X2, Y2), right and bottom outside
  Line,       // from (X1, Y1) to (X2, Y2), the end point itself not drawn
  Rect,       // outlined rectangle, right and bottom outside; ours are 2 pixels wide
  Gradient,   // vertical: Colour at row Y1 down to Colour2 at Y2
  Text,       // top-aligned at (X1, Y1), left or right of X1
  TabbedText, // left-aligned at (X1, Y1), tabs expanded to the two stops
};

enum class TextAlign : std::uint8_t { Left, Right };

struct DrawOp {
  DrawKind Kind = DrawKind::Fill;
  Rgb Colour;
  Rgb Colour2;
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  TextAlign Align = TextAlign::Left;
  // Measured from x = 0 of the window.
  int TabStops[2] = {0, 0};
  std::wstring Text;
};

using DrawList = std::vector<DrawOp>;

// Width of a text in pixels in the font the picture is drawn with.
using TextMeasureFn = int (*)(void* context, std::wstring_view text);
