#include "GrowthReach.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "BranchGrowers.h"

namespace frostel {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The growers round in single precision; every bound below is widened by this.
constexpr double kRounding = 1.001;

// One arc of GrowSubBranches (length l, width w, curl k, all >= 0), from its
// start: its points lie within 2 l (the arc's centre is l away, its radius
// at most l); the far corner doubles a step of at most (1 + k) l / 7, the
// width corner lies w R <= w l off the arc.
double ArcReach(double l, double w, double k) { return l * (2 + std::max((1 + k) / 7, w)); }

// An arc with its side arcs, which start 1.75 l out at most.
double SubBranchReach(double l, double w, double k, int depth) {
    double r = ArcReach(l, w, k);
    if (depth < 2) r = std::max(r, 1.75 * l + SubBranchReach(0.6 * l, 0.8 * w, 0.85 * k, depth + 1));
    return r;
}

// The largest |z| of an arc started at height z, with its side arcs.
double SubBranchDepth(double l, double z, int depth) {
    double r = 1.5 * (l + z);
    if (depth < 2) r = std::max(r, SubBranchDepth(0.6 * l, (l + z) / 1.5 + 50, depth + 1));
    return r;
}

// GrowFigureA: the opening, then arcs each at most 0.75 times as long as the
// one before, each starting where the last one's end (1.5 l out) is. Their
// curls grow by 1.25 an arc, so length times curl still shrinks: no later
// arc reaches further from its start than the first.
BranchExtent FigureA(double l, double w, double k, int arcs, double z) {
    const double opening = std::max(0.74 * l, SubBranchReach(0.5 * l, 0.5 * w, 0.5 * k, 0));
    const double chain = 6 * l + SubBranchReach(l, w, k, 0);
    BranchExtent e;
    e.xy = std::max(opening, chain);
    e.z = std::max({1.5 * z, SubBranchDepth(0.5 * l, z, 0), SubBranchDepth(l, z + 10.0 * std::max(0, arcs - 1), 0)});
    return e;
}

// GrowFigureB: a spine of n steps whose radius moves by at most
// l (1 + 2 |ps|) over the steps, and pairs of side arcs at most 0.35 l long,
// 50 lower at every step until they grow shorter than 3.
BranchExtent FigureB(double l, double w, int n, double ps, double curl, double z) {
    BranchExtent e;
    if (n <= 0 || !(l > 0)) return e;
    const double steps = std::min(double(n), std::floor(n + 0.4 - 12.0 * n / l));
    if (steps < 0) return e;
    e.xy = l * (4 + 4 * std::fabs(ps)) + ArcReach(0.35 * l, w, std::max(1e-5, curl));
    e.z = 1.5 * (0.35 * l + z + 50 * steps);
    return e;
}

}  // namespace

BranchExtent BranchExtentAt(const GrowthBounds& g, double ribLength) {
    // Width and length follow the rib's length; the length factor is clamped.
    const double rl = std::max(0.0, ribLength) / 10 / g.SW * 200;
    const double lf = std::clamp(std::max(1 - g.ID, rl * g.ID + 1 - g.ID), 0.05, 10.0);
    const double width =
        std::max(0.01, std::max(std::fabs(1 - g.ID4), std::fabs(rl * g.ID4 + 1 - g.ID4)) * std::fabs(g.Wf));
    const double length = lf * std::fabs(g.Lf);
    BranchExtent e;
    if (g.effectKind == 1) {
        // The triangle on the rib, and the forking fan from it: each level
        // starts at a corner of the one before, at most 3.5 lengths out.
        e.xy = e.z = 1.625 * g.step;
        double l = length, fan = 0, highest = 0;
        const int depths = std::min(std::max(g.It, 1), kMaxBranchDepth);
        for (int d = 0; d < depths && std::isfinite(fan); ++d) {
            fan += 3.5 * l;
            highest = std::max(highest, 3.5 * l);
            l = std::max(0.001, std::max(0.0, 1 - g.pw) * l) * kRounding;
        }
        e.xy = std::max(e.xy, fan);
        e.z = std::max(e.z, highest);
    } else if (g.effectKind == 2) {
        const double turn = (std::fabs(g.D) / 3 + 0.5) * lf * std::fabs(g.tau) * 1.5;
        const double sideCurl = std::max(0.5, 2.25 * turn + std::fabs(g.D));
        const double z = 69;  // the figures start at 20 to 69
        const double w = width / 5;
        BranchExtent a, b;
        if (g.patternKind != 2) a = FigureA(length, w, turn, g.It, z);
        if (g.patternKind == 2 || g.patternKind == 3) b = FigureB(length, w, g.T5, g.pw, sideCurl, z);
        e.xy = std::max(a.xy, b.xy);
        e.z = std::max(a.z, b.z);
    }
    e.xy = std::isfinite(e.xy) ? e.xy * kRounding + 1 : kInfinity;
    e.z = std::isfinite(e.z) ? e.z * kRounding + 1 : kInfinity;
    return e;
}

BranchReach::BranchReach() = default;

BranchReach::BranchReach(const GrowthBounds& g, const ReachBox& shown, bool curved)
    : g_(g), shown_(shown), curved_(curved), everything_(false) {
    if (!(g_.SW > 0) || !(g_.step > 0)) everything_ = true;
}

double BranchReach::Radius(double ribLength) const {
    if (everything_) return kInfinity;
    const BranchExtent e = BranchExtentAt(g_, ribLength);
    // A curved patch stays within a third of its edges (in three dimensions)
    // of its flat triangle, twice over: its edge points and its centre.
    const double r = curved_ ? e.xy + 2 * (e.xy + e.z) : e.xy;
    return std::isfinite(r) ? r : kInfinity;
}

bool BranchReach::Shows(const ReachBox& box, double radius) const {
    if (everything_ || !(radius < kInfinity)) return true;
    // The positions along a rib are summed in single precision, one step at
    // a time: far from the origin each sum may drift by its rounding.
    const double positions = ((box.x1 - box.x0) + (box.y1 - box.y0)) / g_.step + 10;
    const double far = std::max({std::fabs(box.x0), std::fabs(box.x1), std::fabs(box.y0), std::fabs(box.y1)});
    radius += positions * far * 0x1p-22;
    return box.x1 + radius >= shown_.x0 && box.x0 - radius <= shown_.x1 && box.y1 + radius >= shown_.y0 &&
           box.y0 - radius <= shown_.y1;
}

}  // namespace frostel
