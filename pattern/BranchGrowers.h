// The growers: each call appends branch triangles to a BranchTree, drawing
// from the growth generator. The number and order of draws is part of the
// result, since one seeded sequence serves a whole emitter rib. Arithmetic is
// single precision except where a constant is applied in double.
#pragma once

#include <algorithm>
#include <cstdint>

#include "GrowthTree.h"

namespace frostel {

// Recursion of GrowBranchRecursive stops at this depth whatever the
// iteration limit: deeper levels could only ever exhaust the budget.
constexpr int kMaxBranchDepth = 64;

// One triangle on the emitter segment (x1, y1)-(x2, y2), its apex out along
// the normal by a drawn size from the half step h, scaled by f (1.0 exact:
// unscaled; else clamped to 0.1 .. 1.5).
void AddBranchTriangle(BranchTree& list, float x1, float y1, float x2, float y2, float nx, float ny,
                       float h, float f);

// A fan of triangles from (x, y, z) towards (nx, ny) that forks twice per
// triangle until the iteration limit. i: rib index; K: pattern kind (1, 2, 3:
// which side the fan turns to); s: spread; l: length; pw, pl: length and
// spread shrink per level; D: dispersion; q: how much the first child
// loses the parent's direction; T: triangle count; It: iteration limit.
void GrowBranchRecursive(int i, int K, BranchTree& list, int depth, float x, float y, float z, float nx,
                         float ny, float nz, float s, float l, float pw, float pl, float D, float q, int T,
                         int It);

// Lets go of the cosines GrowBranchRecursive keeps from one growth to the next.
void FreeCountCosines();

// The triangles GrowBranchRecursive grows from depth 0 with the triangle
// count T and iteration limit It while its tree has room: the same for
// every start, direction and draw. At most 2^40.
int64_t BranchRecursiveTriangles(int T, int It);

// An arc of triangles from (x, y) at angle theta curling by kappa over the
// length; n triangles (at least 7, plus one); may grow one side arc while
// depth < 2. The arc's end point goes to endX, endY.
void GrowSubBranches(float& endX, float& endY, BranchTree& list, float x, float y, float z, float theta,
                     float kappa, float length, int n, float width, int depth);

// The opening fan of the variant of figure A: eight triangles, no draw.
void GrowFigureAAlt(BranchTree& list, float x, float y, float z, float theta, float kappa, float length);

// A chain of c arcs, each shorter and curling the other way; n arcs' triangle
// count (0: 10; negative: from the length relative to -n).
void GrowFigureA(int c, BranchTree& list, float x, float y, float z, float theta, float kappa, float length,
                 float width, bool variant, int n);

// A spine arc of n steps with pairs of side arcs (N2 triangles each, 0: 10,
// negative: from the length); kinds 1 and 3 turn the sides with the spine,
// kinds 2 and 3 mirror the second side. ps: shrink; t: side curl; e: curl
// step per side. n <= 0 grows nothing.
void GrowFigureB(int kind, BranchTree& list, float x, float y, float z, float theta, float kappa,
                 float length, float width, int n, int N2, float ps, float t, float e);

// Compass direction from (x1, y1) to (x2, y2), in degrees.
float DirectionAngleDeg(float x1, float y1, float x2, float y2);

// Rotates n records left by k (record k comes first).
template <typename T>
void RotatePointArray(int n, int k, T* records) {
    if (n > 1 && k > 0 && k < n) std::rotate(records, records + k, records + n);
}

}  // namespace frostel
