// Small drawing aids of the skinned widgets: an anti-aliased circle plotted
// with eight-way symmetry, a quarter-circle grey ramp and an anti-aliased
// line, on the widgets' canvases.
#pragma once

#include "Canvas.h"

namespace frostel::widgets {

// How a plotted pixel of coverage w (0..255) is written.
enum class PlotMode {
    MixGrey,  // MixPixelWithGrey by w
    Blend,    // BlendSetPixel from `first` to `second` by w
    Set,      // `first` where w is at least half
};
// The circle of radius r about (cx, cy): for each step of the midpoint walk
// the two pixels astride the exact curve share the coverage, in all eight octants.
void DrawCircleAA(Canvas& c, int cx, int cy, int r, PlotMode mode, Rgb first = {0, 0, 0}, Rgb second = {0, 0, 0});
// Grey 255 x (1 - d / r) over the quarter disc right of and below (cx, cy), clamped to 0..255.
void DrawQuarterRamp(Canvas& c, int cx, int cy, int r);
// A line whose two pixels across it share the coverage, mixed with grey.
void DrawLineAA(Canvas& c, float x0, float y0, float x1, float y1);

}  // namespace frostel::widgets
