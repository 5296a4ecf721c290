#pragma once
// Draws a composed graph picture with GDI.
#include <windows.h>

#include <string_view>

#include "view/draw_ops.h"

// Executes the list in order on `dc`, which must have the DC pen and the font
// selected and a transparent background mode. Changes text alignment, text
// colour, pen colour and the current position.
void ExecuteDrawList(HDC dc, const DrawList& ops);

// TextMeasureFn for a DC passed as the context.
int MeasureTextOnDc(void* dc, std::wstring_view text);
