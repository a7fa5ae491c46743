// The scene driver: emitter, growth, engine records, render.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "BranchGrowers.h"
#include "BumpMap.h"
#include "Dialog.h"
#include "Effect.h"
#include "Emitter.h"
#include "EmitterFigures.h"
#include "GrowthRandom.h"
#include "GrowthReach.h"
#include "HostPaths.h"
#include "HostSuites.h"
#include "ImageTransfer.h"
#include "MedianFilter.h"
#include "MeshBuilder.h"
#include "PageMemory.h"
#include "ParameterSanitizer.h"
#include "PathSegments.h"
#include "Plugin.h"
#include "PointTransforms.h"
#include "RowBands.h"
#include "RunStop.h"
#include "Scene.h"
#include "WorkWatch.h"

namespace frostel {

namespace {

constexpr double kPi = 3.14159265358979323846;

// What this loaded module stored in a parameter record's cache fields. A
// record may outlive the module (the host keeps it between runs), so only
// pointers found here are ever freed or reused.
struct OwnCache {
    uint8_t* bump = nullptr;
    __Triangle3ds* triangles = nullptr;
    __Point3ds* points = nullptr;
    int32_t triangleCount = 0, pointCount = 0;
    uint8_t* weights = nullptr;  // each triangle's TriangleWeight, beside the record's arrays
} gOwn;

void FreeOwnGeometry() {
    // In the dialog the next growth's arrays come from these.
    ShelvePages(gOwn.triangles);
    ShelvePages(gOwn.points);
    ShelvePages(gOwn.weights);
    gOwn.triangles = nullptr;
    gOwn.points = nullptr;
    gOwn.weights = nullptr;
    gOwn.triangleCount = gOwn.pointCount = 0;
}

void ClearGeometryFields(FilterParameters& p) {
    p.cachedTriangles = nullptr;
    p.cachedPoints = nullptr;
    p.cachedTriangleCount = p.cachedPointCount = 0;
}

int32_t gSceneTriangleBudget = kBranchBudget;


// Progress out of 100 of a scene's steps.
constexpr float kGrowthFrom = 10, kGrowthSpan = 40, kRenderFrom = 75, kRenderSpan = 25;

// One scene's watch over its long steps. Each counts its work on it; each
// time the watch asks (at most every StopCheckIntervalMs), the bar moves to
// where the step has got and the host, or the dialog during a preview, says
// whether to go on.
class RunWatch {
public:
    RunWatch() : watch_(&RunWatch::Ask, this, StopCheckIntervalMs()) {}
    RunWatch(const RunWatch&) = delete;
    RunWatch& operator=(const RunWatch&) = delete;

    WorkWatch* watch() { return &watch_; }
    bool Stopped() const { return watch_.Stopped(); }
    RunStatus status() const { return status_; }

    // A step begins at `progress`, its share of the bar `span`: shown now,
    // and asked when due. False once stopped.
    bool Step(float progress, float span = 0) {
        Mark(progress);
        span_ = span;
        return watch_.Check();
    }
    // The bar at `progress`, without asking.
    void Mark(float progress) {
        from_ = progress, span_ = 0;
        done_ = 0, total_ = 0;
        tree_ = nullptr;
        Show();
    }
    // How far the step has got, shown at the next ask.
    void At(int64_t done, int64_t total) { done_ = done, total_ = total; }
    // The growth's bar also follows the tree towards its budgets: one rib
    // may grow them all.
    void Follow(const BranchTree* tree, int32_t budget, double cover) { tree_ = tree, budget_ = budget, cover_ = cover; }

    // The weights (TriangleWeight) of the triangles the renderer is about
    // to draw, null for none.
    void Drawing(const uint8_t* weights, int32_t triangleCount) {
        weights_ = weights;
        triangleCount_ = triangleCount;
    }

    // The renderer's watch: told of each triangle of each pass.
    static bool Rendering(void* self, int64_t done, int64_t total) {
        auto& r = *static_cast<RunWatch*>(self);
        r.done_ = done, r.total_ = total;
        return r.watch_.Continue(r.TriangleUnits(done));
    }

private:
    uint32_t TriangleUnits(int64_t done) const {
        if (weights_ == nullptr || done < 0) return 1;
        // Each pass counts the triangles again: at most two passes.
        int64_t i = done;
        while (i >= triangleCount_ && triangleCount_ > 0) i -= triangleCount_;
        return i < triangleCount_ ? 1u << weights_[i] : 1;
    }

    static bool Ask(void* self) {
        auto& r = *static_cast<RunWatch*>(self);
        r.Show();
        r.status_ = AskToStop();
        return r.status_ == RunStatus::Done;
    }
    void Show() {
        double share = total_ > 0 ? double(done_) / double(total_) : 0.0;
        if (tree_ != nullptr && budget_ > 0) share = std::max(share, double(tree_->size()) / double(budget_));
        if (tree_ != nullptr && cover_ > 0) share = std::max(share, tree_->Covered() / cover_);
        const int at = int(from_ + span_ * float(std::clamp(share, 0.0, 1.0)));
        if (at == shown_) return;
        shown_ = at;
        SetProgress(float(at), 100);
    }

    WorkWatch watch_;
    float from_ = 0, span_ = 0;
    int64_t done_ = 0, total_ = 0;
    const BranchTree* tree_ = nullptr;
    int32_t budget_ = 0;
    double cover_ = 0;
    const uint8_t* weights_ = nullptr;
    int32_t triangleCount_ = 0;
    int shown_ = -1;
    RunStatus status_ = RunStatus::Done;
};

// The renderer tells `run` of its work while this lives.
class WatchedRender {
public:
    explicit WatchedRender(RunWatch& run) { SetRenderWatch(&RunWatch::Rendering, &run); }
    ~WatchedRender() { SetRenderWatch(nullptr, nullptr); }
    WatchedRender(const WatchedRender&) = delete;
    WatchedRender& operator=(const WatchedRender&) = delete;
};

// Every value the growth reads, computed once per scene.
//
// The figure grows in the frame of the final render: the whole filter
// rectangle at 100 %, centred on the origin. A preview of any size, zoom or
// view so grows exactly the figure that OK renders, and its points, lights
// and glass are then mapped into the work buffer (FrameToWork).
struct SceneValues {
    int W = 0, H = 0;      // the work buffer
    int FW = 0, FH = 0;    // the frame the figure grows in
    float SW = 0, SH = 0;  // the frame's size as the growth reads it
    float scale = 1;       // document pixels per work pixel, never 0
    float viewX = 0, viewY = 0;  // the work buffer's corner in scaled document pixels
    float Cx = 0, Cy = 0;  // the centre in frame pixels
    uint32_t B = 0;        // seed base
    float scaleFactor = 1;
    int It = 1, T5 = 0, T2 = 0;
    float D = 0, lose = 0, pw = 0, pl = 0, Wf = 0, Lf = 0, MI = 0, ID = 0, ID4 = 0;
    float tau = 0, tau1 = 0, rhoX = 0;

    // The final render's work buffer is the frame: nothing to map.
    bool FrameIsWork() const { return scale == 1 && viewX == 0 && viewY == 0 && W == FW && H == FH; }
    // A frame point in work coordinates; both are relative to their buffer's
    // centre as the renderer offsets it (the integer half of the size).
    void FrameToWork(float& x, float& y, float& z) const {
        x = (x + float(FW / 2)) / scale - viewX - float(W / 2);
        y = (y + float(FH / 2)) / scale - viewY - float(H / 2);
        z /= scale;
    }
};

// A count from a record field, within what int arithmetic can multiply.
int32_t Count(uint32_t v, int32_t most) { return int32_t(std::min<uint32_t>(v, uint32_t(most))); }

SceneValues ComputeValues(const FilterParameters& p) {
    SceneValues v;
    v.W = gWorkWidth;
    v.H = gWorkHeight;
    v.FW = gImageWidth > 0 ? gImageWidth : v.W;
    v.FH = gImageHeight > 0 ? gImageHeight : v.H;
    v.SW = float(v.FW);
    v.SH = float(v.FH);
    if (gDialogOpen) {
        v.scale = std::isfinite(gPreviewScale) && gPreviewScale > 0 ? gPreviewScale : 1.0f;
        v.viewX = float(gViewX);
        v.viewY = float(gViewY);
    }
    v.Cx = (p.CtnX / 200.0f + 0.5f) * v.SW;
    v.Cy = (-p.CtnY / 200.0f + 0.5f) * v.SH;

    v.B = p.RndS + 1212u;
    v.scaleFactor = p.Scle / 100.0f;
    v.It = std::max(1, Count(p.MxIt, 1 << 20));
    v.T5 = Count(p.MxTr, 1 << 20) * 5;
    v.T2 = Count(p.MxT1, 1 << 20) * 2;
    v.D = p.Dspr / 25.0f;
    v.lose = p.LsID / 100.0f;
    v.pw = p.PWid / 200.0f;
    v.pl = p.PLen / 200.0f;
    v.Wf = p.Wdth / 100.0f;
    v.Lf = p.Lngh;
    v.MI = p.MnIn / 100.0f;
    v.ID = p.InDp / 1000.0f;
    v.ID4 = v.ID * 0.25f;
    // The growth's angles keep their historical constants: stored seeds must
    // keep growing the same figures.
    v.tau = float(double(p.Turn) * 3.151592 / 180.0);
    v.tau1 = float(double(p.Trn1) * 3.151592 / 180.0);
    v.rhoX = float((double(p.RttX) + 90.0) * 3.131592 / 180.0);
    return v;
}

// What the contours are traced in: W x H pixels of RGBA, and the selection
// (one byte a pixel, rows of selectionRowBytes) when the document has one.
struct MaskSource {
    int W = 0, H = 0;
    const uint8_t* rgba = nullptr;
    const uint8_t* selection = nullptr;
    int32_t selectionRowBytes = 0;
};

// The mask the contours are traced in: the selection, or the source's
// brightness smoothed and cut into four levels. False when memory is short;
// also false, with the watch stopped, when the run was stopped.
bool BuildMask(const MaskSource& s, PageBlock& mask, WorkWatch& watch) {
    const size_t pixels = size_t(s.W) * size_t(s.H);
    const size_t W = size_t(s.W);
    mask = PageBlock(pixels);
    if (!mask) return false;
    uint8_t* m = mask.as<uint8_t>();
    if (s.selection != nullptr && (s.H <= 1 || s.selectionRowBytes >= s.W)) {
        for (int y = 0; y < s.H; ++y) {
            if (!watch.Continue()) return false;
            const uint8_t* row = s.selection + ptrdiff_t(y) * s.selectionRowBytes;
            for (int x = 0; x < s.W; ++x) m[size_t(y) * s.W + x] = row[x] != 0 ? 255 : 0;
        }
        return true;
    }
    PageBlock plane(pixels);
    if (!plane || s.rgba == nullptr) return true;  // an empty mask: no contours
    uint8_t* b = plane.as<uint8_t>();
    uint8_t lo = 255, hi = 0;
    for (size_t row = 0; row < pixels; row += W) {
        if (!watch.Continue()) return false;
        for (size_t i = row; i < row + W; ++i) {
            const uint8_t* p = s.rgba + 4 * i;
            b[i] = p[3] == 0 ? 0 : uint8_t((0.5 * p[0] + 0.3 * p[1] + 0.2 * p[2]) * (p[3] / 255.0));
            lo = std::min(lo, b[i]), hi = std::max(hi, b[i]);
        }
    }
    // The levels lie 84 apart: a picture whose brightness stays between two
    // of them (a night scene) would have no contour at all. Its own range is
    // then spread over the levels.
    if (lo / 84 == hi / 84 && hi > lo)
        for (size_t i = 0; i < pixels; ++i) b[i] = uint8_t((b[i] - lo) * 255 / (hi - lo));
    if (!MedianFilter8(m, b, s.W, s.H, 11, &watch)) return false;
    for (size_t i = 0; i < pixels; ++i) m[i] = uint8_t((m[i] / 84) * 84);
    return true;
}

// Traced contour points and edges (page blocks), in the pixels of the
// picture they were traced in.
struct Contours {
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    int pointCount = 0, edgeCount = 0;

    void Free() {
        FreePages(points);
        FreePages(edges);
        *this = Contours{};
    }
};

// The contours of the mask, their points `spacing` pixels apart. False when
// memory is short or the run was stopped (the watch tells which); no contour
// at all is not a failure.
bool TraceContours(const MaskSource& s, int spacing, Contours& out, WorkWatch& watch) {
    out.Free();
    PageBlock mask;
    if (!BuildMask(s, mask, watch)) return false;
    CMeshBuilder builder;
    builder.SetWorkWatch(&watch);
    if (builder.LoadMask(s.W, s.H, s.W, mask.as<uint8_t>(), 1.0f, spacing, out.pointCount, out.edgeCount,
                         out.points, out.edges) &&
        out.pointCount > 0 && out.edgeCount > 0 && out.points != nullptr && out.edges != nullptr)
        return true;
    out.Free();
    return !watch.Stopped();
}

// In the dialog the contours are traced where OK traces them: in the whole
// document (the navigator's copy and selection), once a dialog. A preview
// of any zoom or view then grows along the outline of the final render,
// which the preview's own small buffer would only approximate.
struct DocumentContours {
    const uint8_t* source = nullptr;
    const uint8_t* selection = nullptr;
    int W = 0, H = 0;
    Contours contours;
} gDocumentContours;

void FreeDocumentContours() {
    gDocumentContours.contours.Free();
    gDocumentContours = DocumentContours{};
}

// The document's contours in frame pixels, or null when the dialog has no
// copy of the document to trace them in (or memory is short, or the run was
// stopped).
const Contours* ContoursOfTheDocument(const SceneValues& v, WorkWatch& watch) {
    if (!gDialogOpen || gNavigatorSource == nullptr || gNavigatorWidth != v.FW || gNavigatorHeight != v.FH)
        return nullptr;
    const uint8_t* selection = gHaveMask ? gNavigatorSelection : nullptr;
    if (gHaveMask && selection == nullptr) return nullptr;
    DocumentContours& d = gDocumentContours;
    if (d.source != gNavigatorSource || d.selection != selection || d.W != v.FW || d.H != v.FH) {
        FreeDocumentContours();
        MaskSource s;
        s.W = v.FW, s.H = v.FH, s.rgba = gNavigatorSource;
        s.selection = selection, s.selectionRowBytes = v.FW;
        if (!TraceContours(s, 30, d.contours, watch)) {
            FreeDocumentContours();
            return nullptr;
        }
        d.source = gNavigatorSource, d.selection = selection, d.W = v.FW, d.H = v.FH;
    }
    return &d.contours;
}

// The contours as an emitter in the frame: their points 30 document pixels
// apart. False when memory is short or the run was stopped.
bool BuildContourEmitter(const SceneValues& v, Emitter& emitter, WorkWatch& watch) {
    if (const Contours* c = ContoursOfTheDocument(v, watch)) {
        if (c->pointCount > 0)
            BuildPointArrays(c->pointCount, c->edgeCount, c->points, c->edges, emitter, -v.FW / 2.0f, -v.FH / 2.0f);
        return true;
    }
    if (watch.Stopped()) return false;
    // The work buffer's own picture and selection, mapped into the frame.
    MaskSource s;
    s.W = v.W, s.H = v.H, s.rgba = gSourceRGBA;
    if (gHaveMask && gMaskData != nullptr) s.selection = gMaskData, s.selectionRowBytes = gMaskRowBytes;
    Contours c;
    if (!TraceContours(s, int(std::clamp(30.0f / v.scale, 0.0f, 1000.0f)), c, watch)) return false;
    if (c.pointCount > 0) {
        if (!v.FrameIsWork())
            for (int i = 0; i < c.pointCount; ++i) {
                c.points[2 * i] = (c.points[2 * i] + v.viewX) * v.scale;
                c.points[2 * i + 1] = (c.points[2 * i + 1] + v.viewY) * v.scale;
            }
        BuildPointArrays(c.pointCount, c.edgeCount, c.points, c.edges, emitter, -v.FW / 2.0f, -v.FH / 2.0f);
    }
    c.Free();
    return true;
}

// False when memory ran out.
bool BuildFixedFigure(int P, const SceneValues& v, Emitter& e) {
    const float Ih = float(v.FH / 2), Iw = float(v.FW / 2);
    switch (P) {
        case 1: return BuildSingleEdgePattern(e, -v.FW / 2.0f, v.SW, v.SH - Ih, -1.0f);
        case 2: return BuildSingleEdgePattern(e, -Iw, v.SW, -Ih, 1.0f);
        case 3: return BuildTopAndBottomPattern(e, -Iw, v.SW, -Ih, v.SH - Ih);
        case 4: return BuildPerimeterPattern(e, -Iw, -Ih, v.SW, v.SH);
        case 5: return BuildULikePattern(e, -Iw, -Ih, v.SW, v.SH);
        case 6: return BuildWindowPattern(e, -Iw, -Ih, v.SW, v.SH);
        default: return true;
    }
}

// The rib's normal turned by a GrowDirect mode.
void TurnNormal(int mode, float& nx, float& ny) {
    switch (mode) {
        case 2: nx = -nx, ny = -ny; break;
        case 3: nx = std::fabs(nx), ny = std::fabs(ny); break;
        case 4: nx = -nx; break;
        case 5: ny = -ny; break;
        case 6: nx = std::fabs(nx); break;
        case 7: ny = std::fabs(ny); break;
        default: break;
    }
}

// The width and length factors as the effect kind scales them.
void EffectFactors(const FilterParameters& p, const SceneValues& v, float& Wf, float& Lf) {
    Wf = v.Wf, Lf = v.Lf;
    switch (p.EfKn) {
        case 1: Lf = Lf * v.SW / 400.0f; break;
        case 2: Wf = 2.0f * Wf, Lf = Lf * v.SW / 100.0f; break;
        default: Lf = p.Lngh, Wf = p.Wdth; break;
    }
}

// Where growth along the path can show: the frame and the work buffer's
// view of it, wide enough for what the renderer draws around a corner, taken
// back through the scale and move the points get after growing.
GrowthBounds Bounds(const FilterParameters& p, const SceneValues& v, float Wf, float Lf) {
    GrowthBounds g;
    g.effectKind = p.EfKn;
    g.patternKind = p.PtrK;
    g.SW = v.SW;
    g.step = std::max(0.25f, v.MI * v.SW / 5.0f);
    g.Wf = Wf, g.Lf = Lf;
    g.ID = v.ID, g.ID4 = v.ID4;
    g.tau = v.tau, g.D = v.D, g.pw = v.pw;
    g.T5 = v.T5, g.It = v.It;
    return g;
}

BranchReach PathReach(const FilterParameters& p, const SceneValues& v, float dx, float dy) {
    const double sf = v.scaleFactor;
    if (!std::isfinite(sf) || sf == 0) return BranchReach();
    float Wf, Lf;
    EffectFactors(p, v, Wf, Lf);
    const GrowthBounds g = Bounds(p, v, Wf, Lf);
    constexpr double kMargin = 8;  // work pixels
    const double m = kMargin * v.scale;
    const double x0 = std::min(-v.FW / 2.0, v.viewX * double(v.scale) - v.FW / 2.0) - m;
    const double x1 = std::max(v.FW / 2.0, (v.W + v.viewX) * double(v.scale) - v.FW / 2.0) + m;
    const double y0 = std::min(-v.FH / 2.0, v.viewY * double(v.scale) - v.FH / 2.0) - m;
    const double y1 = std::max(v.FH / 2.0, (v.H + v.viewY) * double(v.scale) - v.FH / 2.0) + m;
    const double gx0 = (x0 - dx) / sf, gx1 = (x1 - dx) / sf, gy0 = (y0 - dy) / sf, gy1 = (y1 - dy) / sf;
    const ReachBox shown{std::min(gx0, gx1), std::min(gy0, gy1), std::max(gx0, gx1), std::max(gy0, gy1)};
    const uint8_t mode = DrawModeFor(p.RndM);
    return BranchReach(g, shown, mode == 2 || mode == 8 || mode == 9 || mode == 10);
}

// What the figure may cover of the final frame, where the driver scales it
// (about the centre, a single figure about its own) and shifts it.
CoverBudget FrameCover(const FilterParameters& p, const SceneValues& v, float dx, float dy) {
    CoverBudget c;
    c.pixels = kCoverFrames * double(v.FW) * double(v.FH);
    c.scale = v.scaleFactor;
    if (p.EfKn == 3) c.pivotX = dx, c.pivotY = dy;
    else c.shiftX = dx, c.shiftY = dy;
    c.left = -float(v.FW / 2), c.right = float(v.FW - v.FW / 2);
    c.top = -float(v.FH / 2), c.bottom = float(v.FH - v.FH / 2);
    return c;
}

// Effect kinds 1 and 2: branches along the emitter's ribs. Where growth
// cannot reach what is drawn, the rib is walked without growing: the
// spacing carried to the next rib, the floral figures' chained draw and the
// triangle count (which the geometric fans' heights follow) go on as if it
// had grown.
void GrowAlongEmitter(const FilterParameters& p, const SceneValues& v, float Wf, float Lf, RibSource& ribs,
                      BranchTree& list, RunWatch& run) {
    const int64_t R = ribs.ribCount();
    if (R <= 0) return;
    // Beyond +-4e18 the shares only stand for "all" or "none": kept within int64.
    constexpr double kMostRibs = 4e18;
    const double c = std::clamp(double(R) * p.Comp / 100.0, -kMostRibs, kMostRibs);
    const int64_t C0 = int64_t(c);
    const float F0 = float(c - double(C0));
    const float fr = F0 > 0 ? F0 : 1.0f;
    const int64_t CD = int64_t(std::clamp(double(R) * p.CmDs / 100.0, -kMostRibs, kMostRibs));
    const int64_t C1 = F0 > 0 ? C0 + 1 : C0;
    const int64_t N = std::min(R, C1 + CD);
    const float MI = v.MI * v.SW;
    // Without a length or a spacing nothing grows anywhere.
    if (!(Lf > 0) || !(MI > 0)) return;
    const int64_t fanTriangles = p.EfKn == 1 ? 1 + BranchRecursiveTriangles(v.T5, v.It) : 0;
    const BranchReach* reach = ribs.reach();
    float carry = 0;
    uint32_t L = 0;
    EmitterRib e;
    while (!list.Full() && ribs.Next(e) && e.index < N) {
        const int64_t i = e.index;
        run.At(i, N);
        if (!run.watch()->Continue()) break;
        SeedGrowthRandom(v.B + uint32_t(i));
        const float ce = i == N - 1 ? fr : 1.0f;
        const PatternRib& rib = e.rib;
        int mode = p.GrwD;
        if (mode == 8) mode = i % 7;
        float nx = rib.nx, ny = rib.ny;
        TurnNormal(mode, nx, ny);
        float fs = 1.0f, fe = 1.0f;
        if (i >= C0 && CD != 0) {
            fs = 1.0f - float(i - C0) / float(CD);
            fe = 1.0f - float(i - C0 + 1) / float(CD);
        }
        const float len = rib.length;
        if (!(len > 0) || !(MI > 0) || !std::isfinite(len)) continue;
        const PatternVertex& a = e.a;
        const PatternVertex& b = e.b;
        float px = a.x, py = a.y;
        const float ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        const float S = MI / 5.0f;
        const float start = carry;
        if (S <= len) carry = 0;
        else if (start <= len) carry = S - len;
        else carry = carry - len;
        const float h = std::max(0.25f, S);
        const float sx = h * ux, sy = h * uy;
        if (!(start < len)) continue;

        const float rl = (len / 10.0f) / v.SW * 200.0f;
        float lf = rl * v.ID + (1.0f - v.ID);
        if (double(lf) < 0.05) lf = 0.05f;
        if (lf > 10.0f) lf = 10.0f;
        // In the frame the preview scale is 1: a zoom must not widen the branches.
        const float bw = std::max(0.01f, (rl * v.ID4 + (1.0f - v.ID4)) * Wf);
        const float bl = lf * Lf;
        const float bt = lf * v.tau;
        const double radius = e.inReach && reach ? reach->Radius(len) : 0;

        for (float t = start; t < len && !list.Full(); t += h, px += sx, py += sy) {
            const bool grows = e.inReach && (!reach || reach->Shows({px, py, px, py}, radius));
            float width = bw, length = bl;
            const float q = t / len;
            if ((ce < 1.0f && len != 0) || i >= C0) {
                if (i >= C0) {
                    float f = (1.0f - q) * fs + q * fe;
                    if (CD > 0) f += F0 / float(CD);
                    f = std::clamp(f, 0.0f, 1.0f);
                    width = f * bw, length = f * bl;
                }
                if (ce < 1.0f) {
                    if (ce < q) break;
                    if (ce != 0) {
                        const float g = std::min(1.0f, (ce - q) / ce + ce * ce);
                        width *= g, length *= g;
                    }
                }
            }
            if (p.EfKn == 1) {
                if (length > 0 && !grows) {
                    CountUngrownBranches(fanTriangles);
                } else if (length > 0) {
                    AddBranchTriangle(list, px, py, px + sx, py + sy, nx, ny, std::min(h * 0.5f, len), lf);
                    // The fan reads only the index's parity.
                    GrowBranchRecursive(int(i & 0x7FFFFFFF), p.PtrK, list, 0, px, py, 0, nx, ny, 0, width, length,
                                        v.pw, v.pl, v.D, v.lose, v.T5, v.It);
                }
                continue;
            }
            // Effect kind 2: one figure per position, its look drawn afresh.
            SeedGrowthRandom(L + p.RndS + uint32_t(i));
            L = uint32_t(GrowthRandom());
            if (!grows) continue;
            const float angle = DirectionAngleDeg(-nx, -ny, 0, 0);
            const float r = float(L % 1000) / 1000.0f;
            const float theta = float(double(angle) * kPi / 180.0 - kPi / 2.0) + (r - 0.5f) * v.D;
            float sigma = float((double(r) * v.D / 3.0 + 0.5) * bt);
            if (r < 0.5f) sigma = -sigma;
            const float z = float(L % 50 + 20);
            float rho = (r - 0.5f) * (sigma * 2.5f) + (sigma + v.D);
            if (rho > -0.5f && rho < 0.0f) rho = -0.5f;
            else if (rho >= 0.0f && rho < 0.5f) rho = 0.5f;
            int kind = p.PtrK;
            if (kind == 3) {
                if (L % 2 == 0) {
                    kind = 2;
                } else {
                    kind = 1;
                    sigma *= 1.5f;
                }
            }
            if (!(length > 0)) continue;
            if (kind == 2)
                GrowFigureB((r > 0.5f ? 1 : 0) + 2, list, px, py, z, theta, sigma, length, width / 5.0f, v.T5,
                            -int(v.SW), v.pw, rho, 0);
            else
                GrowFigureA(int(L % uint32_t(v.It)) + 1, list, px, py, z, theta, sigma, length, width / 5.0f,
                            r > 0.5f, -int(v.SW));
        }
    }
}

// Effect kind 3: one figure at the centre.
void GrowSingleFigure(const FilterParameters& p, const SceneValues& v, float Wf, float Lf, float dx, float dy,
                      BranchTree& list, double cover, RunWatch& run) {
    if (!run.Step(25, 25)) return;
    run.Follow(&list, gSceneTriangleBudget, cover);
    switch (p.PtrK) {
        case 1:
        case 2:
            GrowFigureA(v.It, list, dx, dy, 0, v.rhoX, v.tau, v.SW * Lf / 200.0f, Wf * 0.005f, p.PtrK == 2, v.T5);
            break;
        case 3:
        case 4:
            GrowFigureB(p.PtrK == 3 ? 2 : 3, list, dx, dy, 0, v.rhoX, v.tau * 0.5f, v.SW * Lf / 100.0f,
                        Wf * 0.005f, v.T5 / 2, v.T2, v.pw, v.tau1, 0);
            break;
        default: break;
    }
}

// Lights, material, bump texture and glass, then the render call. False
// when the run was stopped before the frame was done; out of memory is
// reported through the result.
bool RenderScene(const FilterParameters& p, const SceneValues& v, int32_t pointCount, int32_t triangleCount,
                 __Point3ds* points, __Triangle3ds* triangles, RunWatch& run) {
    light3ds lights[2];
    MakeLights(p, lights);
    if (!v.FrameIsWork())
        for (light3ds& l : lights) v.FrameToWork(l.x, l.y, l.z);
    if (!run.Step(60)) return false;
    const uint8_t* bump = p.bumpTexture;

    __SetDrawMode(DrawModeFor(p.RndM));
    __SetQuality(gDialogOpen ? 0 : 1);
    __SetDeep(0);
    run.Mark(65);

    // What the figures are drawn over, written on every core: the work
    // buffer's pages are fresh.
    const bool overSource = !p.AlpC;
    const bool clear =
        !overSource && gFilterRecord != nullptr && DocumentHasTransparency(gFilterRecord->planes, gIsCmyk);
    const size_t rowBytes = size_t(gRowBytes);
    ForEachRowBand(v.H, rowBytes, [&](int32_t y0, int32_t y1) {
        uint8_t* d = gWorkRGBA + size_t(y0) * rowBytes;
        const size_t bytes = size_t(y1 - y0) * rowBytes;
        if (overSource) {
            if (gSourceRGBA != nullptr) std::memcpy(d, gSourceRGBA + size_t(y0) * rowBytes, bytes);
        } else if (clear) {
            std::memset(d, 0, bytes);
        } else {
            FillRgba(d, v.W, y1 - y0, p.BkCl);
        }
    });
    run.Mark(70);
    if (!run.Step(74)) return false;

    // The 3-byte texels become 4-byte pixels before the engine's order:
    // reading them as 4-byte groups would skew every texel and overrun.
    uint8_t* expanded = bump != nullptr ? ExpandBumpTexels(bump, kBumpSize, kBumpSize, kBumpSize * kBumpTexelBytes)
                                        : nullptr;
    uint8_t* texels = nullptr;
    const bool haveBump =
        expanded != nullptr && InterleaveForEngine(texels, expanded, kBumpSize, kBumpSize, kBumpSize * 4);
    ShelvePages(expanded);
    if (bump != nullptr && !haveBump) {
        // Out of memory: a picture without its relief would pass for the real one.
        SetResult(pi::memFullErr);
        return true;
    }
    material3ds material;
    MakeMaterial(p, haveBump, gDialogOpen, material);
    __Texture textures[4];
    std::memset(textures, 0, sizeof textures);
    if (haveBump) {
        textures[2].present = 1;
        textures[2].width = kBumpSize;
        textures[2].height = kBumpSize;
        textures[2].pixels = texels;
        textures[2].is16Bit = 0;
    }
    GlassProp glass;
    MakeGlass(p, 1.0f / v.scale, glass);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    struct Owned {
        uint8_t* p;
        ~Owned() { ShelvePages(p); }
    } ownTexels{texels};
    if (!run.Step(kRenderFrom, kRenderSpan)) return false;

    uint8_t* source = gSourceRGBA != nullptr ? gSourceRGBA : gWorkRGBA;
    run.Drawing(triangles == gOwn.triangles && triangleCount == gOwn.triangleCount ? gOwn.weights : nullptr,
                triangleCount);
    {
        WatchedRender watched(run);
        __RasterScene(gWorkRGBA, source, v.W, v.H, v.W * 4, pointCount, triangleCount, triangles, points, v.W / 2,
                      v.H / 2, 1, &material, textures, 2, lights, &glass);
    }
    if (RenderWasStopped() || run.Stopped()) return false;
    // The frame left the work as it was: the unfiltered picture is no result.
    if (RenderLackedMemory()) SetResult(pi::memFullErr);
    run.Mark(100);
    return true;
}

// What drawing a triangle costs beside the others, for the render's watch:
// 1 << weight units, about one for each 64 pixels of its box.
inline uint8_t TriangleWeight(const BranchTriangle& t) {
    const float w = std::max({t.p0.x, t.p1.x, t.p2.x}) - std::min({t.p0.x, t.p1.x, t.p2.x});
    const float h = std::max({t.p0.y, t.p1.y, t.p2.y}) - std::min({t.p0.y, t.p1.y, t.p2.y});
    const float box = w * h;
    if (!(box >= 128.0f)) return 0;  // also NaN
    uint32_t bits;
    std::memcpy(&bits, &box, sizeof bits);
    const int exponent = int(bits >> 23) - 127;  // box is positive: no sign bit
    return uint8_t(std::min(exponent - 6, 24));
}

}  // namespace

GrowthBounds GrowthBoundsFor(const FilterParameters& p) {
    const SceneValues v = ComputeValues(p);
    float Wf, Lf;
    EffectFactors(p, v, Wf, Lf);
    return Bounds(p, v, Wf, Lf);
}

void SetSceneTriangleBudget(int32_t budget) { gSceneTriangleBudget = budget > 0 ? budget : kBranchBudget; }

void ResolveEmitterType(FilterParameters& p) {
    if (p.EmTp == 3) p.EmTp = PathListEmpty() ? 1 : 0;
    if (p.EmTp == 0 && PathListEmpty()) p.EmTp = 1;
}

void SetEnginePoint(__Point3ds& out, const PatternVertex& v, int corner) {
    std::memset(&out, 0, sizeof out);
    out.x = v.x, out.y = v.y, out.z = v.z;
    out.nx = v.nx, out.ny = v.ny, out.nz = v.nz;
    out.hasNormal = v.hasNormal;
    out.hasTexCoords = 1;
    switch (corner) {
        case 1: out.u = 0.5f, out.v = 0.98f; break;
        case 2: out.u = 0.01f, out.v = 0.01f; break;
        default: out.u = 0.98f, out.v = 0.01f; break;
    }
}

bool BuildEngineMesh(BranchTree& list, int32_t limit, int32_t& pointCount, int32_t& triangleCount,
                     __Point3ds*& points, __Triangle3ds*& triangles, WorkWatch* watch, uint8_t** weights) {
    pointCount = triangleCount = 0;
    points = nullptr;
    triangles = nullptr;
    const int32_t most = std::numeric_limits<int32_t>::max() / 3;
    const int32_t n = std::clamp(std::min(limit, list.size()), 0, most);
    if (n == 0) {
        list.Clear();
        return true;
    }
    // Every byte is written below: kept blocks need no clearing.
    PageBlock pointBlock = PageBlock::Taken(size_t(3) * size_t(n) * sizeof(__Point3ds));
    PageBlock triangleBlock = PageBlock::Taken(size_t(n) * sizeof(__Triangle3ds));
    PageBlock weightBlock = PageBlock::Taken(weights != nullptr ? size_t(n) : 0);
    if (!pointBlock || !triangleBlock || (weights != nullptr && !weightBlock)) {
        list.Clear();
        return false;
    }
    auto* pts = pointBlock.as<__Point3ds>();
    auto* tris = triangleBlock.as<__Triangle3ds>();
    auto* wts = weightBlock.as<uint8_t>();
    int32_t k = 0;
    bool stopped = false;
    list.Drain([&](const BranchTriangle& t) {
        if (k >= n || stopped) return;
        if (!KeepGoing(watch)) {
            stopped = true;
            return;
        }
        tris[k].a = 3 * k, tris[k].b = 3 * k + 1, tris[k].c = 3 * k + 2;
        tris[k].reserved = 0;
        tris[k].material = 0;
        SetEnginePoint(pts[3 * k], t.p0, 1);
        SetEnginePoint(pts[3 * k + 1], t.p1, 2);
        SetEnginePoint(pts[3 * k + 2], t.p2, 3);
        if (wts != nullptr) wts[k] = TriangleWeight(t);
        ++k;
    });
    if (stopped) return false;
    pointCount = 3 * k;
    triangleCount = k;
    points = static_cast<__Point3ds*>(pointBlock.release());
    triangles = static_cast<__Triangle3ds*>(triangleBlock.release());
    if (weights != nullptr) *weights = static_cast<uint8_t*>(weightBlock.release());
    return true;
}

void TrustOnlyOwnCache(FilterParameters& p) {
    if (p.bumpTexture != gOwn.bump) {
        p.bumpTexture = nullptr;
        FreePages(gOwn.bump);
        gOwn.bump = nullptr;
    }
    if (p.cachedTriangles != gOwn.triangles || p.cachedPoints != gOwn.points ||
        p.cachedTriangleCount != gOwn.triangleCount || p.cachedPointCount != gOwn.pointCount) {
        ClearGeometryFields(p);
        FreeOwnGeometry();
        p.geometryDirty = 1;
    }
}

void FreeSceneCache() {
    if (gParams != nullptr) {
        if (gParams->bumpTexture == gOwn.bump) gParams->bumpTexture = nullptr;
        if (gParams->cachedTriangles == gOwn.triangles && gParams->cachedPoints == gOwn.points) {
            ClearGeometryFields(*gParams);
            gParams->geometryDirty = 1;
        }
    }
    FreePages(gOwn.bump);
    gOwn.bump = nullptr;
    FreeOwnGeometry();
    FreeDocumentContours();
    FreeCountCosines();
    ReleasePreviewKeeps();
}

void ReleasePreviewKeeps() {
    KeepShelvedPages(false);
    KeepRenderThreads(false);
}

RunStatus BuildAndRenderScene(FilterParameters& p) {
    // Values reach the record from scripts, the registry, presets and the
    // dialog: none is trusted.
    SanitizeParameters(p);
    ResolveEmitterType(p);
    TrustOnlyOwnCache(p);
    const SceneValues v = ComputeValues(p);
    if (v.W <= 0 || v.H <= 0 || v.FW <= 0 || v.FH <= 0 || gWorkRGBA == nullptr) return RunStatus::Done;

    RunWatch run;
    Emitter emitter;
    PathRibs pathRibs;
    bool alongPath = false;
    const bool dirty = p.geometryDirty != 0;
    if (dirty && p.EfKn != 3 && p.EmTp == 1) {
        if (!run.Step(kGrowthFrom)) return run.status();
        if (!BuildContourEmitter(v, emitter, *run.watch())) {
            if (run.Stopped()) return run.status();
            SetResult(pi::memFullErr);
            return RunStatus::Done;
        }
    }

    const int P = p.EmTp == 2 ? p.MskK : 7;
    float dx, dy;
    if (p.EfKn == 3) {
        dx = v.Cx - v.FW / 2.0f, dy = v.Cy - v.FH / 2.0f;
    } else if (p.EmTp == 2) {
        dx = v.Cx - v.SW / 2.0f, dy = v.Cy - v.SH / 2.0f;
    } else {
        dx = v.SW * p.CtnX / 200.0f, dy = v.SH * p.CtnY / -200.0f;
    }
    if (dirty && p.EfKn != 3 && p.EmTp == 0 && !PathListEmpty()) {
        // The path is walked rib by rib as the branches grow, not held.
        if (!pathRibs.Start(-v.FW / 2.0f, -v.FH / 2.0f, PathView{}, PathReach(p, v, dx, dy))) {
            SetResult(pi::memFullErr);
            return RunStatus::Done;
        }
        alongPath = true;
    }

    if (dirty) {
        if (p.EfKn != 3 && !BuildFixedFigure(P, v, emitter)) {
            SetResult(pi::memFullErr);
            return RunStatus::Done;
        }
        if (!run.Step(kGrowthFrom, kGrowthSpan)) return run.status();
        gBranchCount = 0;
        SeedGrowthRandom(v.B);
        float Wf, Lf;
        EffectFactors(p, v, Wf, Lf);
        // The tree's own budget is the only bound: one that followed the work
        // buffer would cut the preview's figure short of the final one.
        BranchTree list(gSceneTriangleBudget, run.watch());
        const CoverBudget cover = FrameCover(p, v, dx, dy);
        list.SetCoverBudget(cover);
        run.Follow(&list, gSceneTriangleBudget, cover.pixels);
        if (p.EfKn == 3) {
            GrowSingleFigure(p, v, Wf, Lf, dx, dy, list, cover.pixels, run);
        } else if (p.EfKn == 1 || p.EfKn == 2) {
            EmitterRibs emitterRibs(emitter);
            GrowAlongEmitter(p, v, Wf, Lf, alongPath ? static_cast<RibSource&>(pathRibs) : emitterRibs, list, run);
        }

        ClearGeometryFields(p);
        FreeOwnGeometry();
        // A growth cut short is no figure to keep.
        if (run.Stopped()) return run.status();
        if (list.OutOfMemory()) {
            SetResult(pi::memFullErr);
            return RunStatus::Done;
        }
        int32_t pointCount = 0, triangleCount = 0;
        __Point3ds* points = nullptr;
        __Triangle3ds* triangles = nullptr;
        uint8_t* weights = nullptr;
        const bool built = BuildEngineMesh(list, std::min(list.size(), gBranchCount), pointCount, triangleCount,
                                           points, triangles, run.watch(), &weights);
        emitter.Clear();
        if (run.Stopped()) return run.status();
        run.Mark(50);
        if (!built) {
            SetResult(pi::memFullErr);
            return RunStatus::Done;
        }
        p.geometryDirty = 0;
        gOwn.points = p.cachedPoints = points;
        gOwn.triangles = p.cachedTriangles = triangles;
        gOwn.pointCount = p.cachedPointCount = pointCount;
        gOwn.triangleCount = p.cachedTriangleCount = triangleCount;
        gOwn.weights = weights;
        run.Mark(55);
        if (v.scaleFactor != 1.0f) {
            if (p.EfKn == 3) {
                for (int32_t i = 0; i < pointCount; ++i) {
                    points[i].x = (points[i].x - dx) * v.scaleFactor + dx;
                    points[i].y = (points[i].y - dy) * v.scaleFactor + dy;
                }
            } else {
                __ScalePoints(v.scaleFactor, pointCount, points);
            }
        }
        if (p.EfKn != 3 && (dx != 0 || dy != 0)) __TranslatePoints(dx, dy, 0, pointCount, points);
        if (!v.FrameIsWork())
            for (int32_t i = 0; i < pointCount; ++i) v.FrameToWork(points[i].x, points[i].y, points[i].z);
    }

    if (!RenderScene(p, v, p.cachedPointCount, p.cachedTriangleCount, p.cachedPoints, p.cachedTriangles, run))
        return run.status();
    run.Mark(0);
    return RunStatus::Done;
}

RunStatus RunEffect() {
    if (gWorkRGBA == nullptr) return RunStatus::Done;
    FilterParameters* p = gParams;
    if (p == nullptr) {
        if (gSourceRGBA != nullptr) std::memcpy(gWorkRGBA, gSourceRGBA, size_t(gRowBytes) * size_t(gWorkHeight));
        return RunStatus::Done;
    }
    TrustOnlyOwnCache(*p);
    if (p->bumpTexture == nullptr) gOwn.bump = p->bumpTexture = LoadBumpTexture();
    if (p->bumpTexture == nullptr) {
        SetResult(pi::memFullErr);
        return RunStatus::Done;
    }
    if (!gDialogOpen) {
        try {
            ReadHostPaths();
        } catch (const SuiteFailure&) {
            // A host without the property suite has no paths to offer.
            FreePathList();
        }
        ResolveEmitterType(*p);
    }
    if (gDialogOpen) {
        // Preview after preview grows and draws in the same memory, on the same threads.
        KeepShelvedPages(true);
        KeepRenderThreads(true);
    }
    const RunStatus status = BuildAndRenderScene(*p);
    if (!gDialogOpen) {
        // Outside the dialog nothing outlives the run: a later run, or a
        // module loaded anew, must not find our pointers in the record.
        FreeSceneCache();
        FreePathList();
    }
    return status;
}

}  // namespace frostel
