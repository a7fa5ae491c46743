// The fixed emitter figures: lines along the frame of the scaled image whose
// vertex spacing grows with the distance from a centre. Coordinates are work
// pixels relative to the work centre, y downwards; normals point into the
// image. Every builder replaces the emitter's contents and returns false,
// leaving it empty, when memory is short.
#pragma once

#include "Emitter.h"

namespace frostel {

struct ContourEdge;

// One chain of vertices from `from` while <= `to`, the other coordinate fixed.
// The spacing at v is (|v - centre| / scale + 0.01) * factor; each rib
// carries the spacing computed at its second vertex. A chain never joins the
// previous one.
void EmitVertexChainX(FigureBuilder& b, float y, float fromX, float scale, float toX, float factor,
                      float centre, float nx, float ny, float nz);
void EmitVertexChainY(FigureBuilder& b, float x, float fromY, float scale, float toY, float factor,
                      float centre, float nx, float ny, float nz);

// "Bottom" and "Top": one line at lineY from startX to length / 2.
bool BuildSingleEdgePattern(Emitter& out, float startX, float length, float lineY, float normalY);
// "Top and bottom".
bool BuildTopAndBottomPattern(Emitter& out, float startX, float length, float topY, float bottomY);
// "Perimeter": left, right, bottom, top.
bool BuildPerimeterPattern(Emitter& out, float left, float top, float width, float height);
// "U-like": both sides from a third of the height down, and the bottom.
bool BuildULikePattern(Emitter& out, float left, float top, float width, float height);
// "Window": four panes, each framed by four chains facing into it.
bool BuildWindowPattern(Emitter& out, float left, float top, float width, float height);

// The contour emitter from the mesh builder's output: points as (x, y) pairs
// in mask pixels, moved by the offset, and one rib per edge. A vertex takes
// the normal of its first rib and then the plain average with each further
// one. False (emitter empty) when an edge names a missing point or memory
// is short.
bool BuildPointArrays(int pointCount, int edgeCount, const float* points, const ContourEdge* edges, Emitter& out,
                      float offsetX, float offsetY);

}  // namespace frostel
