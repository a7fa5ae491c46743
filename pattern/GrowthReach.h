// How far the branches grown along an emitter rib can reach from it: bounds
// taken from the growers' own arithmetic, so that ribs whose growth cannot
// show in the drawn area need not be grown at all.
#pragma once

#include <cstdint>

namespace frostel {

// What the growth along an emitter reads, as the scene driver computes it
// (the width and length factors after the effect kind's scaling).
struct GrowthBounds {
    int effectKind = 2, patternKind = 3;
    double SW = 1;       // the frame's width as the growth reads it
    double step = 0.25;  // between two positions on a rib
    double Wf = 0, Lf = 0;
    double ID = 0, ID4 = 0;         // how width and length follow the rib's length
    double tau = 0, D = 0, pw = 0;  // turn, dispersion, pattern width
    int T5 = 0, It = 1;
};

// The farthest any corner of a triangle grown at one position on a rib no
// longer than ribLength lies from that position in the plane, and its
// largest |z|. Infinite when the parameters leave it unbounded.
struct BranchExtent {
    double xy = 0, z = 0;
};
BranchExtent BranchExtentAt(const GrowthBounds& g, double ribLength);

struct ReachBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Where growth can show: a box in emitter coordinates (wide enough for what
// the renderer draws around a triangle's corners), and whether the draw
// mode bends triangles into curved patches, which bulge beyond them.
class BranchReach {
public:
    // Everything shows.
    BranchReach();
    BranchReach(const GrowthBounds& g, const ReachBox& shown, bool curved);

    // How far from a rib no longer than ribLength what grows on it can draw.
    double Radius(double ribLength) const;
    bool Everything() const { return everything_; }
    // Between two positions on a rib.
    double step() const { return g_.step; }
    // Whether what grows on ribs inside the box, within radius of them, can show.
    bool Shows(const ReachBox& box, double radius) const;

private:
    GrowthBounds g_;
    ReachBox shown_;
    bool curved_ = false, everything_ = true;
};

}  // namespace frostel
