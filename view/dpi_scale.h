#pragma once
// Pixel sizes at a window's DPI. Every size of the graph window is written for
// 96 DPI (100 %) and scaled as MulDiv(value, dpi, 96) scales it, so that at
// 96 DPI each one is exactly its written number.
#include <cstdint>

constexpr int BaseDpi = 96;

// MulDiv(value, dpi, 96): rounded to the nearest pixel, halves away from zero.
int ScaleForDpi(int value, int dpi);

struct DpiScale {
  int Dpi = BaseDpi;
  int Px(int value) const { return ScaleForDpi(value, Dpi); }
};

// The main window's size at creation: 300 x 100 at 96 DPI.
constexpr int DefaultWindowWidth = 300;
constexpr int DefaultWindowHeight = 100;
// Height of the graph's "Arial" font and the legend strip below the baseline.
constexpr int GraphFontHeight = 14;
constexpr int LegendStripHeight = 20;
