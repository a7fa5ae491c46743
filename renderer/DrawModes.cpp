// The per-mode loops over the triangle array: culling, the triangle buffer
// boxes, and the rasterisers that prepare each triangle for its kernel.
#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "Engine.h"
#include "Shading.h"

namespace {

bool Facing(float nz) {
    return _DubleSide || (!_DrawBackFaces1 && nz >= 0.0f) || (_DrawBackFaces1 && nz < 0.0f);
}
// The fills also draw the back faces in the front pass for full multiple refraction.
bool RefractionFacing(float nz) { return Facing(nz) || (!_DrawBackFaces1 && _UseMultyRefract == 2); }
// Curved wire edges that turn slightly away still show.
bool WireAdmits(float nz) {
    return _DubleSide || (!_DrawBackFaces1 && nz >= -0.2f) || (_DrawBackFaces1 && nz < 0.0f);
}

float FaceNz(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c) {
    float nx, ny, nz;
    __FaceNormal(a, b, c, nx, ny, nz);
    return nz;
}

float Normalize(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0.0f)
        for (int k = 0; k < 3; ++k) v[k] /= len;
    return len;
}

// Local copy with the offset added, ordered from the top vertex in one
// turning direction, with the plane over frame pixels.
bool PrepareFill(const SceneArgs& s, __Triangle3ds* tri, const __Point3ds& a, const __Point3ds& b,
                 const __Point3ds& c, bool withPlane, FillTriangle& out) {
    __Point3ds local[3] = {a, b, c};
    for (__Point3ds& p : local) p.x += static_cast<float>(s.offX), p.y += static_cast<float>(s.offY);
    float face[3];
    __FaceNormal(local[0], local[1], local[2], face[0], face[1], face[2]);
    Normalize(face);
    out.faceNormal = {face[0], face[1], face[2]};

    EdgeTriple edges[3] = {{0, 1, 0}, {1, 2, 1}, {2, 0, 2}};
    const int top = __FindTopVertex(3, local, edges, out.minY);
    __RotateTriples(3, top, edges);
    if (!__FixTriangleOrder(edges, local)) return false;
    out.v[0] = local[edges[0][0]];
    out.v[1] = local[edges[1][0]];
    out.v[2] = local[edges[1][1]];
    out.tri = tri;
    out.plane[0] = out.plane[1] = 0.0f, out.plane[2] = -1.0f, out.plane[3] = 0.0f;
    if (!withPlane) return true;
    float n[3];
    __TriangleNormal(out.v, n[0], n[1], n[2]);
    if (n[2] > 0.0f) return false;
    if (Normalize(n) == 0.0f) n[2] = -1.0f;
    out.plane[0] = n[0], out.plane[1] = n[1], out.plane[2] = n[2];
    out.plane[3] = -(n[0] * out.v[0].x + n[1] * out.v[0].y + n[2] * out.v[0].z);
    return true;
}

// The box a triangle is drawn apart in: its frame-pixel bounds grown by
// (growX, growY), clipped to the frame. Returns false when it is empty.
bool TriangleBox(const SceneArgs& s, const __Point3ds* const c[3], bool growByExtent, EngineClip& box) {
    const Box b = __TriangleBBox(c);
    const double x0 = b.x0 + s.offX, x1 = b.x1 + s.offX, y0 = b.y0 + s.offY, y1 = b.y1 + s.offY;
    const double gx = growByExtent ? std::max(3.0, x1 - x0) : 3.0;
    const double gy = growByExtent ? std::max(3.0, y1 - y0) : 3.0;
    box.x0 = FloorClamp(x0 - gx, 0, s.width);
    box.y0 = FloorClamp(y0 - gy, 0, s.height);
    box.x1 = FloorClamp(x1 + gx + 1, 0, s.width);
    box.y1 = FloorClamp(y1 + gy + 1, 0, s.height);
    return box.x0 < box.x1 && box.y0 < box.y1;
}

constexpr RowSpan kEmptySpan = {INT_MAX, INT_MIN};

// Draws one triangle apart in the triangle buffer, clipped to its box within
// the band, and composes it into the destination, so that shared edges blend
// without seams. The buffer is all zeros between triangles: only what was
// written is composed and cleared again.
template <typename Draw>
void DrawApart(const SceneArgs& s, const __Point3ds* const c[3], bool growByExtent, Draw&& draw) {
    EngineClip box;
    if (!TriangleBox(s, c, growByExtent, box)) return;
    const EngineClip band = _Clip;
    box.x0 = std::max(box.x0, band.x0), box.y0 = std::max(box.y0, band.y0);
    box.x1 = std::min(box.x1, band.x1), box.y1 = std::min(box.y1, band.y1);
    if (box.x0 >= box.x1 || box.y0 >= box.y1) return;
    uint8_t* const triangle = s.band != nullptr ? s.band->triangle : _TriangleBuffer;
    uint8_t* const edges = s.band != nullptr ? s.band->edges : _EdgeMemory;
    _Clip = box;
    draw(triangle);
    _Clip = band;
    for (int y = box.y0; y < box.y1; ++y) {
        RowSpan& dirty = _RowDirty[y];
        if (dirty.x0 < dirty.x1) {
            ComposeTriangleRect(s.dst, triangle, edges, dirty.x0, y, dirty.x1, y + 1);
            ClearTriangleRect(triangle, dirty.x0, y, dirty.x1, y + 1);
        }
        dirty = kEmptySpan;
    }
}

// Half the width of the wire modes' lines in whole pixels, as the line kernel
// takes it.
int WireRadius() { return _Quality ? TruncClamp(ClampD(_WireSize, 0.0, 4096.0) + 2.5, 0, 4099) : 0; }

void WireFromFace(const SceneArgs& s, __Triangle3ds* tri, const __Point3ds& a, const __Point3ds& b,
                  const __Point3ds& c, WireShading& w) {
    float face[3];
    __FaceNormal(a, b, c, face[0], face[1], face[2]);
    if (Normalize(face) == 0.0f) face[2] = 1.0f;
    w.scene = &s;
    w.tri = tri;
    w.normal = {face[0], face[1], face[2]};
    // The plane over frame pixels with its normal facing away, as the fills have it.
    w.plane[0] = -face[0], w.plane[1] = -face[1], w.plane[2] = -face[2];
    w.plane[3] = face[0] * (a.x + s.offX) + face[1] * (a.y + s.offY) + face[2] * a.z;
}

void __RasterTriangleRough(const SceneArgs& s, const __Point3ds* const c[3]) {
    for (int i = 0; i < 3; ++i) {
        const __Point3ds& p = *c[i];
        const __Point3ds& q = *c[(i + 1) % 3];
        __DrawLineInverted(s.dst, s.src, s.width, s.height, p.x + s.offX, p.y + s.offY, q.x + s.offX,
                           q.y + s.offY);
    }
}

void __RasterTriangleLine(const SceneArgs& s, __Triangle3ds* tri, const __Point3ds* const c[3]) {
    WireShading w;
    WireFromFace(s, tri, *c[0], *c[1], *c[2], w);
    for (int i = 0; i < 3; ++i) {
        const __Point3ds& p = *c[i];
        const __Point3ds& q = *c[(i + 1) % 3];
        __SpanWire(s.dst, w, p.x + s.offX, p.y + s.offY, p.z, q.x + s.offX, q.y + s.offY, q.z, _WireSize);
    }
}

// Integer sample counts along s or t: `perPixel` per pixel of the patch's
// reach. Only the samples that can reach the clip are ever evaluated, so a
// patch far larger than the frame costs what its visible part does.
int64_t SampleSteps(float length, float perPixel) {
    if (!(length > 0.0f)) return 1;
    return static_cast<int64_t>(std::ceil(ClampD(static_cast<double>(length) * perPixel, 1.0, double(1 << 30))));
}

// How far float or double evaluation of a patch may stray from the exact
// surface: a little of the largest coordinate involved.
double RoundingReach(const CurvedPatch& patch, const SceneArgs& s, double relative) {
    double m = std::max(std::fabs(double(s.offX)), std::fabs(double(s.offY)));
    for (const auto& q : patch.p) m = std::max({m, std::fabs(double(q[0])), std::fabs(double(q[1]))});
    return m * relative;
}

bool ReachesClip(double x, double y, double reach, const EngineClip& clip) {
    return x + reach >= clip.x0 && x - reach < clip.x1 && y + reach >= clip.y0 && y - reach < clip.y1;
}

// One curved edge of the patch (pass 0: b-c, 1: a-c, 2: a-b) as a chain of
// segments about four pixels long; runs of segments that cannot reach the
// clip are skipped unevaluated.
void __RasterTriangleWirePass(const SceneArgs& s, __Triangle3ds* tri, const CurvedPatch& patch, int pass) {
    // The edge's own cubic, from its t = 0 end: a bound on its speed.
    static const int kEdge[3][4] = {{2, 6, 5, 1}, {2, 7, 8, 0}, {0, 3, 4, 1}};
    double speed = 0.0;
    for (int q = 0; q < 3; ++q) {
        const float* a = patch.p[kEdge[pass][q]];
        const float* b = patch.p[kEdge[pass][q + 1]];
        speed = std::max(speed, 3.0 * std::hypot(double(b[0]) - a[0], double(b[1]) - a[1]));
    }
    // Segments of the patch's step, but none much shorter than a pixel of
    // this edge (a short edge of a patch reaching far off the frame).
    const int64_t steps = std::min(SampleSteps(std::max(patch.lengthS, patch.lengthT), 0.25f),
                                   SampleSteps(static_cast<float>(speed), 1.0f) + 1);
    const float k = 1.0f / static_cast<float>(steps);
    const double margin = 2.0 * WireRadius() + 4.0;
    const EngineClip clip = _Clip;
    WireShading w{&s, tri, {0, 0, 1}, {0, 0, -1, 0}};
    auto point = [&](int64_t i, float pos[3], float n[3]) {
        const float t = i == steps ? 1.0f : static_cast<float>(i) * k;
        float weight[3] = {0, t, 1 - t};
        if (pass == 1) weight[0] = t, weight[1] = 0;
        if (pass == 2) weight[0] = 1 - t, weight[1] = t, weight[2] = 0;
        patch.Evaluate(weight[0], weight[1], pos, n, nullptr);
        pos[0] += static_cast<float>(s.offX), pos[1] += static_cast<float>(s.offY);
    };
    auto param = [&](int64_t i) { return i == steps ? 1.0 : double(static_cast<float>(i) * k); };
    // The edge's control points weighted by their Bernstein weights at t, in size.
    double size[4];
    for (int q = 0; q < 4; ++q) {
        const float* a = patch.p[kEdge[pass][q]];
        size[q] = std::hypot(double(a[0]) + s.offX, double(a[1]) + s.offY);
    }
    auto Magnitude = [&](double t) {
        const double u = 1 - t;
        return u * u * u * size[0] + 3 * u * u * t * size[1] + 3 * u * t * t * size[2] + t * t * t * size[3];
    };
    // Segments first..last, segment i joining points i - 1 and i.
    auto run = [&](auto&& self, int64_t first, int64_t last) -> void {
        if (s.band != nullptr && s.band->Stopped()) return;
        float pos[3], n[3];
        point(first - 1, pos, n);
        // The segments lie within `along` of the anchor on the exact curve; the
        // points drawn stray from it by what float evaluation can lose, a
        // little of the weighted size of the control points there.
        const double along = speed * (param(last) - param(first - 1));
        const double reach = along * (1 + 1e-6) + margin + 1e-6 * (Magnitude(param(first - 1)) + 1.0);
        if (!ReachesClip(pos[0], pos[1], reach, clip)) return;
        if (last - first >= 16 && reach > 32.0) {
            const int64_t mid = first + (last - first) / 2;
            self(self, first, mid);
            self(self, mid + 1, last);
            return;
        }
        float prev[3] = {pos[0], pos[1], pos[2]};
        for (int64_t i = first; i <= last; ++i) {
            point(i, pos, n);
            Normalize(n);
            if (WireAdmits(n[2])) {
                w.normal = {n[0], n[1], n[2]};
                w.plane[0] = -n[0], w.plane[1] = -n[1], w.plane[2] = -n[2];
                w.plane[3] = n[0] * pos[0] + n[1] * pos[1] + n[2] * pos[2];
                __SpanWire(s.dst, w, prev[0], prev[1], prev[2], pos[0], pos[1], pos[2], _WireSize);
            }
            for (int q = 0; q < 3; ++q) prev[q] = pos[q];
        }
    };
    run(run, 1, steps);
}

// The sample lattice of the curved modes over one patch (weights s, t,
// 1 - s - t of the corners a, b, c): s = i / ns (i = 0..ns), t = j / nt
// (j = 0..jLast), s + t <= 1, neighbours at most half a pixel apart on the
// screen. Walk hands over every sample whose pixel may lie in a clip, in an
// order fixed by the patch alone, so that any band of the frame sees its
// samples alike; parts of the lattice that cannot reach the clip are skipped
// before a sample of theirs is evaluated. A sample is handed as its lattice
// index, its frame position plus one half (its pixel is their floor), its
// depth and normal: all three normal components with kFullNormal, else z.
template <bool kFullNormal>
class PatchLattice {
public:
    static constexpr int kChannels = kFullNormal ? 6 : 4;
    static_assert(kChannels % 2 == 0, "the rows step their channels in pairs");

    // The patch is built about an origin: (originX, originY) in scene coordinates.
    PatchLattice(const CurvedPatch& patch, const SceneArgs& s, bool closedT, float originX, float originY)
        : ns_(SampleSteps(patch.lengthS, 2.0f)),
          nt_(SampleSteps(patch.lengthT, 2.0f)),
          jLast_(closedT ? nt_ : nt_ - 1),
          ds_(1.0 / double(ns_)),
          dt_(1.0 / double(nt_)),
          speedS_(patch.lengthS),
          speedT_(patch.lengthT) {
        double x0, y0, x1, y1;
        drawable_ = patch.Hull(x0, y0, x1, y1) && std::isfinite(speedS_) && std::isfinite(speedT_);
        // Double evaluation strays from the exact surface by far less than a
        // pixel for any patch that fits in float coordinates.
        margin_ = 1.0 + RoundingReach(patch, s, 1e-12) + (std::fabs(originX) + std::fabs(originY)) * 1e-12;
        // The Bernstein weights of the ten control points in powers of s and t.
        static const double kPower[10][10] = {
            // 1, s, t, s2, st, t2, s3, s2t, st2, t3
            {0, 0, 0, 0, 0, 0, 1, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
            {1, -3, -3, 3, 6, 3, -1, -3, -3, -1},   {0, 0, 0, 0, 0, 0, 0, 3, 0, 0},
            {0, 0, 0, 0, 0, 0, 0, 0, 3, 0},         {0, 0, 0, 0, 0, 3, 0, 0, -3, -3},
            {0, 0, 3, 0, -6, -6, 0, 3, 6, 3},       {0, 3, 0, -6, -6, 0, 3, 6, 3, 0},
            {0, 0, 0, 3, 0, 0, -3, -3, 0, 0},       {0, 0, 0, 0, 6, 0, 0, -6, -6, 0}};
        const int channel[6] = {0, 1, 2, kFullNormal ? 3 : 5, 4, 5};
        for (int m = 0; m < 10; ++m)
            for (int c = 0; c < kChannels; ++c) {
                double sum = 0;
                for (int i = 0; i < 10; ++i) {
                    const int ch = channel[c];
                    sum += kPower[i][m] * (ch < 3 ? patch.p[i][ch] : patch.n[i][ch - 3]);
                }
                c_[m][c] = sum;
            }
        // The control net's legs along s (from k to i) and t (from k to j) on the screen.
        static const int kNet[3][3] = {{2, 6, 5}, {7, 9, -1}, {8, -1, -1}};  // net index (i, j), k = 3 - i - j
        static const int kUpS[3][3] = {{7, 9, 4}, {8, 3, -1}, {0, -1, -1}};  // (i + 1, j)
        static const int kUpT[3][3] = {{6, 5, 1}, {9, 4, -1}, {3, -1, -1}};  // (i, j + 1)
        for (int i = 0; i <= 2; ++i)
            for (int j = 0; i + j <= 2; ++j) {
                const float* base = patch.p[kNet[i][j]];
                const float* up = patch.p[kUpS[i][j]];
                const float* side = patch.p[kUpT[i][j]];
                legS_[i][j] = std::hypot(double(up[0]) - base[0], double(up[1]) - base[1]);
                legT_[i][j] = std::hypot(double(side[0]) - base[0], double(side[1]) - base[1]);
            }
        // Added to each sample, not to the patch: the same surface anywhere in
        // the frame gives the same pixels.
        offX_ = s.offX + 0.5 + double(originX), offY_ = s.offY + 0.5 + double(originY);
    }
    bool Drawable() const { return drawable_; }
    double S(int64_t i) const { return double(i) * ds_; }
    double T(int64_t j) const { return double(j) * dt_; }

    // sample(inside, i, j, v) for each sample, v = frame x + 0.5, frame y + 0.5,
    // depth, normal; inside is std::true_type when the sample's pixel is known
    // to lie in the clip. sample.EndRow() after each row.
    template <typename Sample>
    void Walk(const EngineClip& clip, const BandState* band, Sample&& sample) const {
        // However the patch folds or stretches, a walk costs at most a bounded
        // number of nodes and samples for each pixel of the clip; a patch that
        // needs more (one far larger in depth than on the screen) is drawn only
        // as far as that goes.
        const int64_t pixels = int64_t(std::max(0, clip.x1 - clip.x0)) * int64_t(std::max(0, clip.y1 - clip.y0));
        work_ = kWorkPerPixel * pixels + kWorkBase;
        if (drawable_) Node(0, ns_, 0, jLast_, clip, band, sample);
    }

private:
    static constexpr double kDomain = 1.0 + 1e-12;  // s + t <= 1, forgiving rounding
    static constexpr double kLeafReach = 16.0;     // pixels
    // Far more than any patch that fits its lattice needs (about 16 samples a
    // pixel where it is drawn).
    static constexpr int64_t kWorkPerPixel = 256, kWorkBase = 1 << 16;

    // Channel c of the patch at (s, t).
    double At(int c, double s, double t) const {
        const double (&k)[10][kChannels] = c_;
        return k[0][c] + s * (k[1][c] + s * (k[3][c] + s * k[6][c])) +
               t * (k[2][c] + s * (k[4][c] + s * k[7][c]) + t * (k[5][c] + s * k[8][c] + t * k[9][c]));
    }

    // Bounds of the speeds along s and t on the screen over the rectangle
    // [s0, s1] x [t0, t1] of the patch: the derivatives are the control net's
    // legs weighted by quadratic Bernstein weights, each at most its largest
    // value in the rectangle. Never above the bounds for the whole patch.
    void LocalSpeeds(double s0, double s1, double t0, double t1, double& alongS, double& alongT) const {
        const double s = std::min(s1, 1.0), t = std::min(t1, 1.0), r = ClampD(1.0 - s0 - t0, 0.0, 1.0);
        // Weights of the legs at net index (i, j), k = 2 - i - j.
        const double w[3][3] = {{r * r, 2 * t * r, t * t}, {2 * s * r, 2 * s * t, 0}, {s * s, 0, 0}};
        double bs = 0, bt = 0;
        for (int i = 0; i <= 2; ++i)
            for (int j = 0; i + j <= 2; ++j) bs += w[i][j] * legS_[i][j], bt += w[i][j] * legT_[i][j];
        alongS = std::min(speedS_, 3 * bs), alongT = std::min(speedT_, 3 * bt);
    }

    template <typename Sample>
    void Node(int64_t i0, int64_t i1, int64_t j0, int64_t j1, const EngineClip& clip, const BandState* band,
              Sample& sample) const {
        if (band != nullptr && band->Stopped()) return;
        if (--work_ < 0) return;
        const double s0 = S(i0), t0 = T(j0);
        if (s0 + t0 > kDomain) return;
        const double spanS = S(i1) - s0, spanT = T(j1) - t0;
        double alongS, alongT;
        LocalSpeeds(s0, S(i1), t0, T(j1), alongS, alongT);
        // Every sample of the node lies within `reach` of the anchor, a point of
        // the patch: the middle when that lies on the patch, else the corner.
        double as = s0 + spanS / 2, at = t0 + spanT / 2, reach = (alongS * spanS + alongT * spanT) / 2;
        if (as + at > 1.0) as = s0, at = t0, reach *= 2;
        const double ax = At(0, as, at) + offX_, ay = At(1, as, at) + offY_, around = reach + margin_;
        if (!ReachesClip(ax, ay, around, clip)) return;
        if (reach > kLeafReach && (i1 > i0 || j1 > j0)) {
            if (i1 > i0 && (alongS * spanS >= alongT * spanT || j1 == j0)) {
                const int64_t mid = i0 + (i1 - i0) / 2;
                Node(i0, mid, j0, j1, clip, band, sample);
                Node(mid + 1, i1, j0, j1, clip, band, sample);
            } else {
                const int64_t mid = j0 + (j1 - j0) / 2;
                Node(i0, i1, j0, mid, clip, band, sample);
                Node(i0, i1, mid + 1, j1, clip, band, sample);
            }
            return;
        }
        // Where the lattice is far denser than the surface needs (a patch
        // reaching far off the frame, seen near a short edge of its), only
        // every m-th row or column is taken, those at multiples of m, a quarter
        // of a pixel apart at most.
        const int64_t ms = Stride(alongS * ds_), mt = Stride(alongT * dt_);
        int64_t first = (i0 + ms - 1) / ms * ms, firstJ = (j0 + mt - 1) / mt * mt;
        if (first > i1) first = i0;
        if (firstJ > j1) firstJ = j0;
        const double u = T(firstJ), h = double(mt) * dt_;
        // Within the clip all over: no sample needs the test.
        const bool inside = ax - around >= clip.x0 && ax + around < clip.x1 && ay - around >= clip.y0 &&
                            ay + around < clip.y1;
        // Each row starts at column firstJ with its value and its differences
        // along t; those follow the rows as polynomials of degree 3, 2 and 1 in
        // s, by forward differences down the rows.
        RowStart start[4], step[3];
        const int64_t rows = (i1 - first) / ms + 1;
        for (int q = 0; q < 4 && q < rows; ++q) start[q] = RowAt(S(first + q * ms), u, h);
        RowStart row = start[0];
        if (rows >= 4) {
            for (int c = 0; c < kChannels; ++c) {
                const double* f[4] = {start[0].v, start[1].v, start[2].v, start[3].v};
                step[0].v[c] = f[1][c] - f[0][c];
                step[1].v[c] = f[2][c] - 2 * f[1][c] + f[0][c];
                step[2].v[c] = f[3][c] - 3 * f[2][c] + 3 * f[1][c] - f[0][c];
                step[0].d1[c] = start[1].d1[c] - start[0].d1[c];
                step[1].d1[c] = start[2].d1[c] - 2 * start[1].d1[c] + start[0].d1[c];
                step[0].d2[c] = start[1].d2[c] - start[0].d2[c];
            }
        }
        for (int64_t n = 0; n < rows; ++n) {
            const int64_t i = first + n * ms;
            if (n > 0) {
                if (rows >= 4) {
                    for (int c = 0; c < kChannels; ++c) {
                        row.v[c] += step[0].v[c], step[0].v[c] += step[1].v[c], step[1].v[c] += step[2].v[c];
                        row.d1[c] += step[0].d1[c], step[0].d1[c] += step[1].d1[c];
                        row.d2[c] += step[0].d2[c];
                    }
                } else {
                    row = start[n];
                }
            }
            const double sv = S(i);
            const double room = kDomain - sv;
            if (room < u) break;  // the rows only get shorter
            // Column firstJ lies on the patch (room >= u); the last one is
            // found by division, then made sure of.
            const int64_t most = (j1 - firstJ) / mt;
            int64_t count = room >= T(j1) ? most : std::clamp<int64_t>(int64_t((room - u) / h), 0, most);
            while (count > 0 && sv + T(firstJ + count * mt) > kDomain) --count;
            work_ -= count + 1;
            if (work_ < 0) break;
            if (inside)
                Row(std::true_type{}, i, firstJ, mt, count, row, sample);
            else if (RowReaches(row, count, clip))
                Row(std::false_type{}, i, firstJ, mt, count, row, sample);
            sample.EndRow();
        }
    }

    // Rows or columns to step for samples a quarter of a pixel apart where a
    // step covers `step` pixels: 1 unless that is 8 or more.
    static int64_t Stride(double step) {
        if (!(step > 0)) return 1 << 20;
        const double m = std::floor(0.25 / step);
        return m >= 8 ? static_cast<int64_t>(std::min(m, double(1 << 20))) : 1;
    }

    // A row's samples from its first: the value and the three differences of
    // its cubic in t over the lattice's steps.
    struct RowStart {
        double v[kChannels], d1[kChannels], d2[kChannels], d3[kChannels];
    };
    RowStart RowAt(double s, double u, double h) const {
        RowStart r;
        for (int c = 0; c < kChannels; ++c) {
            // The row's cubic A0 + A1 t + A2 t^2 + A3 t^3, then in steps k from u.
            const double A0 = c_[0][c] + s * (c_[1][c] + s * (c_[3][c] + s * c_[6][c]));
            const double A1 = c_[2][c] + s * (c_[4][c] + s * c_[7][c]);
            const double A2 = c_[5][c] + s * c_[8][c];
            const double A3 = c_[9][c];
            const double B1 = h * (A1 + u * (2 * A2 + 3 * A3 * u));
            const double B2 = h * h * (A2 + 3 * A3 * u);
            const double B3 = h * h * h * A3;
            r.v[c] = A0 + u * (A1 + u * (A2 + u * A3));
            r.d1[c] = B1 + B2 + B3;
            r.d2[c] = 2 * B2 + 6 * B3;
            r.d3[c] = 6 * B3;
        }
        return r;
    }

    // Whether the row's n + 1 samples can reach the clip: the box of its
    // cubic's Bezier points (a row of a rectangle on the clip's edge often
    // lies wholly on one side).
    bool RowReaches(const RowStart& r, int64_t n, const EngineClip& clip) const {
        double lo[2], hi[2];
        for (int c = 0; c < 2; ++c) {
            const double B3 = r.d3[c] / 6, B2 = (r.d2[c] - r.d3[c]) / 2, B1 = r.d1[c] - B2 - B3;
            const double m = double(n), b1 = B1 * m, b2 = B2 * m * m, b3 = B3 * m * m * m, b0 = r.v[c];
            const double p1 = b0 + b1 / 3, p2 = b0 + (2 * b1 + b2) / 3, p3 = b0 + b1 + b2 + b3;
            const double off = c == 0 ? offX_ : offY_;
            lo[c] = std::min({b0, p1, p2, p3}) + off - margin_, hi[c] = std::max({b0, p1, p2, p3}) + off + margin_;
        }
        return hi[0] >= clip.x0 && lo[0] < clip.x1 && hi[1] >= clip.y0 && lo[1] < clip.y1;
    }

    // One row of samples by forward differences (in double, so that they stay
    // on the surface).
    // Samples j0 + k mt for k = 0..count.
    template <typename Inside, typename Sample>
    void Row(Inside inside, int64_t i, int64_t j0, int64_t mt, int64_t count, const RowStart& start,
             Sample& sample) const {
        // Two channels a lane pair: each lane takes its channel's own additions.
        constexpr int kPairs = kChannels / 2;
        __m128d v[kPairs], d1[kPairs], d2[kPairs], d3[kPairs];
        for (int c = 0; c < kPairs; ++c) {
            v[c] = _mm_loadu_pd(start.v + 2 * c), d1[c] = _mm_loadu_pd(start.d1 + 2 * c);
            d2[c] = _mm_loadu_pd(start.d2 + 2 * c), d3[c] = _mm_loadu_pd(start.d3 + 2 * c);
        }
        const __m128d offset = _mm_set_pd(offY_, offX_);
        for (int64_t k = 0;; ++k) {
            alignas(16) double at[kChannels];
            _mm_store_pd(at, _mm_add_pd(v[0], offset));
            for (int c = 1; c < kPairs; ++c) _mm_store_pd(at + 2 * c, v[c]);
            sample(inside, i, j0 + k * mt, static_cast<const double*>(at));
            if (k == count) break;
            for (int c = 0; c < kPairs; ++c) {
                v[c] = _mm_add_pd(v[c], d1[c]);
                d1[c] = _mm_add_pd(d1[c], d2[c]);
                d2[c] = _mm_add_pd(d2[c], d3[c]);
            }
        }
    }

    int64_t ns_, nt_, jLast_;
    double ds_, dt_, speedS_, speedT_, margin_, offX_, offY_;
    double c_[10][kChannels];  // the patch in powers of s and t
    double legS_[3][3] = {}, legT_[3][3] = {};
    bool drawable_;
    mutable int64_t work_ = 0;  // what the walk in progress may still cost
};

}  // namespace

void SplitAtCurvedMidpoints(const __Point3ds* const c[3], __Point3ds mid[3], const __Point3ds* sub[4][3]) {
    const bool tex = c[0]->hasTexCoords && c[1]->hasTexCoords && c[2]->hasTexCoords;
    for (int e = 0; e < 3; ++e) {
        const __Point3ds& p = *c[e];
        const __Point3ds& q = *c[(e + 1) % 3];
        const float m[3] = {(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2};
        const float pp[3] = {p.x, p.y, p.z}, qp[3] = {q.x, q.y, q.z};
        const float pn[3] = {p.nx, p.ny, p.nz}, qn[3] = {q.nx, q.ny, q.nz};
        float mp[3], mq[3];
        ProjectOntoTangentPlane(m, pp, pn, mp);
        ProjectOntoTangentPlane(m, qp, qn, mq);
        __Point3ds& r = mid[e];
        r = p;
        r.x = ((mp[0] + mq[0]) / 2 + m[0]) / 2;
        r.y = ((mp[1] + mq[1]) / 2 + m[1]) / 2;
        r.z = ((mp[2] + mq[2]) / 2 + m[2]) / 2;
        r.nx = (p.nx + q.nx) / 2, r.ny = (p.ny + q.ny) / 2, r.nz = (p.nz + q.nz) / 2;
        r.hasTexCoords = tex ? 1 : 0;
        if (tex) r.u = (p.u + q.u) / 2, r.v = (p.v + q.v) / 2;
    }
    const __Point3ds* const split[4][3] = {
        {c[0], &mid[0], &mid[2]}, {&mid[0], c[1], &mid[1]}, {&mid[2], &mid[1], c[2]}, {&mid[0], &mid[1], &mid[2]}};
    std::memcpy(sub, split, sizeof split);
}

namespace {

// Four sub-triangles on the curved surface through the edge midpoints.
void __RasterTriangleSubdiv(const SceneArgs& s, uint8_t* triangle, __Triangle3ds* tri, const __Point3ds* const c[3]) {
    __Point3ds mid[3];
    const __Point3ds* sub[4][3];
    SplitAtCurvedMidpoints(c, mid, sub);
    for (const auto& t : sub) {
        if (!IsFinite3(t[0]->x, t[0]->y, t[0]->z) || !IsFinite3(t[1]->x, t[1]->y, t[1]->z) ||
            !IsFinite3(t[2]->x, t[2]->y, t[2]->z))
            continue;
        if (!RefractionFacing(FaceNz(*t[0], *t[1], *t[2]))) continue;
        FillTriangle f;
        if (PrepareFill(s, tri, *t[0], *t[1], *t[2], true, f)) __SpanPhong(s, triangle, f);
    }
}

// The corners as the curved lattice takes them, about the last one (so that
// the same triangle anywhere in the frame gives the same pixels). The lattice
// runs from the last corner along its two edges: when those are far longer
// than the pair at another corner (a sliver, or a triangle reaching far off
// the frame with a short edge inside it), that corner goes last, so that the
// samples stay within a few of each pixel.
void LatticeCorners(const __Point3ds* const c[3], __Point3ds local[3], float& ox, float& oy) {
    auto edge = [&](int p, int q) { return std::hypot(double(c[q]->x) - c[p]->x, double(c[q]->y) - c[p]->y); };
    const double cost[3] = {edge(0, 1) * edge(0, 2), edge(1, 0) * edge(1, 2), edge(2, 0) * edge(2, 1)};
    int last = 2;
    const int best = cost[0] <= cost[1] ? (cost[0] <= cost[2] ? 0 : 2) : (cost[1] <= cost[2] ? 1 : 2);
    if (cost[2] > 16 * cost[best] + 1) last = best;
    for (int k = 0; k < 3; ++k) local[k] = *c[(last + 1 + k) % 3];
    ox = local[2].x, oy = local[2].y;
    for (int k = 0; k < 3; ++k) local[k].x -= ox, local[k].y -= oy;
}

// A winner's position, normal and texture coordinates, as
// CurvedPatch::EvaluateD gives them and by the same operations: the control
// points widened to double once a patch, the position and the normal summed
// in lane pairs.
class WinnerEvaluator {
public:
    explicit WinnerEvaluator(const CurvedPatch& patch) : patch_(patch) {
        for (int i = 0; i < 10; ++i)
            for (int k = 0; k < 3; ++k) c_[i][k] = patch.p[i][k], c_[i][3 + k] = patch.n[i][k];
    }
    void operator()(double s, double t, double pos[3], double normal[3], double uv[2]) const {
        const double r = 1.0 - s - t;
        const double w[10] = {s * s * s,     t * t * t,     r * r * r,     3 * s * s * t, 3 * s * t * t,
                              3 * t * t * r, 3 * t * r * r, 3 * s * r * r, 3 * s * s * r, 6 * s * t * r};
        __m128d sum[3] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
        for (int i = 0; i < 10; ++i) {
            const __m128d weight = _mm_set1_pd(w[i]);
            for (int q = 0; q < 3; ++q) sum[q] = _mm_add_pd(sum[q], _mm_mul_pd(weight, _mm_loadu_pd(c_[i] + 2 * q)));
        }
        double out[6];
        for (int q = 0; q < 3; ++q) _mm_storeu_pd(out + 2 * q, sum[q]);
        for (int k = 0; k < 3; ++k) pos[k] = out[k], normal[k] = out[3 + k];
        if (patch_.hasTexCoords)
            for (int k = 0; k < 2; ++k) {
                double uk = 0.0;
                for (int i = 0; i < 10; ++i) uk += w[i] * patch_.uv[i][k];
                uv[k] = uk;
            }
    }

private:
    const CurvedPatch& patch_;
    double c_[10][6];  // position, then normal
};

// The nearest sample of each pixel, with the depth test: first the nearest of
// a run of samples in one pixel (a row's samples lie closer than a pixel), then
// that one against the z-buffer; the winners go to the band's stash.
class Winners {
public:
    // facing: 0 every sample, 1 those whose normal's z is >= 0, 2 those below.
    Winners(BandState* band, const EngineClip& slice, int facing, int width)
        : zbuffer_(band->depth),
          zwidth_(Zwidth),
          stash_(band->stash),
          spans_(band->stashSpans),
          width_(width),
          top_(slice.y0),
          facing_(facing),
          x0_(slice.x0),
          x1_(slice.x1),
          y0_(slice.y0),
          y1_(slice.y1) {}

    template <typename Inside>
    void operator()(Inside, int64_t i, int64_t j, const double* v) {
        if (!Inside::value && !(v[0] >= x0_ && v[0] < x1_ && v[1] >= y0_ && v[1] < y1_)) return;
        // The facing rule on the sign of the normal's z (its length does not change it).
        if (facing_ == 1 ? !(v[3] >= 0.0) : facing_ == 2 && !(v[3] < 0.0)) return;
        const int px = static_cast<int>(v[0]), py = static_cast<int>(v[1]);
        const float z = static_cast<float>(v[2]);
        if (px == px_ && py == py_) {
            // Equal depths keep the first sample, as the depth test does.
            const bool nearer = z > z_;
            z_ = nearer ? z : z_;
            i_ = nearer ? i : i_;
            j_ = nearer ? j : j_;
            return;
        }
        EndRow();
        px_ = px, py_ = py, z_ = z, i_ = i, j_ = j;
    }

    void EndRow() {
        if (px_ < 0) return;
        float& depth = zbuffer_[py_ * zwidth_ + px_];
        if (z_ > depth) {
            depth = z_;
            const int row = py_ - top_;
            stash_[static_cast<ptrdiff_t>(row) * width_ + px_] = {static_cast<uint32_t>(i_ + 1),
                                                                   static_cast<uint32_t>(j_)};
            RowSpan& span = spans_[row];
            span.x0 = std::min(span.x0, px_), span.x1 = std::max(span.x1, px_ + 1);
        }
        px_ = -1;
    }

private:
    float* zbuffer_;
    ptrdiff_t zwidth_;
    SampleStash* stash_;
    RowSpan* spans_;
    ptrdiff_t width_;
    int top_, facing_;
    double x0_, x1_, y0_, y1_;
    // The run: its pixel (px_ < 0 when none), nearest depth and sample.
    int px_ = -1, py_ = -1;
    float z_ = 0;
    int64_t i_ = 0, j_ = 0;
};

// Mode 10's samples: the source where the patch faces the viewer, the
// outline colour near its silhouette.
struct CurvedCopy {
    const SceneArgs* scene;
    EngineClip clip;
    const float* color;
    template <typename Inside>
    void operator()(Inside, int64_t, int64_t, const double* v) const {
        if (!Inside::value && !(v[0] >= clip.x0 && v[0] < clip.x1 && v[1] >= clip.y0 && v[1] < clip.y1)) return;
        const int px = static_cast<int>(v[0]), py = static_cast<int>(v[1]);
        float n[3] = {static_cast<float>(v[3]), static_cast<float>(v[4]), static_cast<float>(v[5])};
        Normalize(n);
        if (!(n[2] >= 0.0f)) return;
        const float a = std::fabs(n[2]);
        if (a * 0.5f > 0.15f) {
            const ptrdiff_t index = PixelIndex(px, py);
            for (int k = 0; k < 4; ++k) __PutChannel(scene->dst, index + k, __GetChannel(scene->src, index + k));
            return;
        }
        const float f = a >= 0.15f ? (0.3f - a) / 0.15f : a / 0.15f;
        __BlendPixel(scene->dst, color[0], color[1], color[2], px, py, Clamp(f * f, 0.0f, 1.0f));
    }
    void EndRow() const {}
};

// Samples the patch about half a pixel apart. The nearest sample that faces
// the pass and passes the depth test wins each pixel; then each winner is
// shaded once, row by row (the previous-sample cache follows the row as in the
// fills), into the triangle buffer. The clip is taken in slices as high as the
// band's scratch of winners.
void __RasterTriangleCurved(const SceneArgs& s, uint8_t* triangle, __Triangle3ds* tri, const __Point3ds* const c[3]) {
    BandState* band = s.band;
    if (band == nullptr || band->stash == nullptr) return;
    __Point3ds local[3];
    float ox, oy;
    LatticeCorners(c, local, ox, oy);
    CurvedPatch patch;
    patch.Build(local[0], local[1], local[2]);
    const PatchLattice<false> lattice(patch, s, false, ox, oy);
    if (!lattice.Drawable()) return;
    const WinnerEvaluator evaluate(patch);
    const EngineClip clip = _Clip;
    const int width = s.width;
    const bool duble = _DubleSide, back = _DrawBackFaces1, allFront = !back && _UseMultyRefract == 2;
    const PixelShader shade(s, tri);
    // The built-in shader takes the winners a few at a time.
    const bool batched = shade.Batches(triangle);
    const bool neighbours = batched && shade.BatchReadsNeighbours();
    ShadeBatch batch;
    int batchX[kShadeLanes], batchY[kShadeLanes];
    float batchFade[kShadeLanes];
    auto flush = [&] {
        shade.Shade(batch, patch.hasTexCoords);
        for (int i = 0; i < batch.count; ++i)
            BlendTriangleBufferPixel(triangle, batch.color[0][i], batch.color[1][i], batch.color[2][i], batchX[i],
                         batchY[i], batch.opacity[i] * batchFade[i]);
        batch.count = 0;
    };
    for (int top = clip.y0; top < clip.y1 && !band->Stopped(); top += band->stashRows) {
        const EngineClip slice{clip.x0, top, clip.x1, std::min(clip.y1, top + band->stashRows)};
        Winners winners(band, slice, duble || allFront ? 0 : back ? 2 : 1, width);
        lattice.Walk(slice, band, winners);
        for (int py = slice.y0; py < slice.y1; ++py) {
            RowSpan& span = band->stashSpans[py - slice.y0];
            SampleStash* winners = band->stash + static_cast<ptrdiff_t>(py - slice.y0) * width;
            __PrevInfo prev{};
            for (int px = span.x0; px < span.x1; ++px) {
                const SampleStash win = winners[px];
                if (win.i == 0) continue;
                winners[px] = {0, 0};
                double pd[3], nd[3], uvd[2] = {0, 0};
                evaluate(lattice.S(win.i - 1), lattice.T(win.j), pd, nd, uvd);
                float pos[3], n[3];
                for (int k = 0; k < 3; ++k) pos[k] = static_cast<float>(pd[k]), n[k] = static_cast<float>(nd[k]);
                pos[0] += ox, pos[1] += oy;
                const float uv[2] = {static_cast<float>(uvd[0]), static_cast<float>(uvd[1])};
                Normalize(n);
                const float fade =
                    std::fabs(n[2]) < 0.2f ? Clamp((n[2] / 0.2f) * (n[2] / 0.2f), 0.0f, 1.0f) : 1.0f;
                __Point normal{n[0], n[1], n[2]};
                const float fxp = pos[0] + s.offX, fyp = pos[1] + s.offY;
                const float plane[4] = {n[0], n[1], n[2], -(n[0] * fxp + n[1] * fyp + n[2] * pos[2])};
                if (batched) {
                    const int i = batch.count++;
                    batch.x[i] = pos[0], batch.y[i] = pos[1], batch.z[i] = pos[2];
                    batch.nx[i] = n[0], batch.ny[i] = n[1], batch.nz[i] = n[2];
                    batch.u[i] = uv[0], batch.v[i] = uv[1];
                    if (neighbours) {
                        batch.prev[i] = prev;
                        std::memcpy(batch.plane[i], plane, sizeof plane);
                    }
                    batchX[i] = px, batchY[i] = py, batchFade[i] = fade;
                    if (batch.count == kShadeLanes) flush();
                } else {
                    float color[3];
                    const float opacity = shade(triangle, pos[0], pos[1], pos[2], &normal,
                                                patch.hasTexCoords, uv[0], uv[1], &prev, plane, color);
                    BlendTriangleBufferPixel(triangle, color[0], color[1], color[2], px, py, opacity * fade);
                }
                prev.normal = normal;
                prev.x = pos[0], prev.y = pos[1], prev.u = uv[0], prev.v = uv[1];
                prev.valid = 1;
            }
            span = kEmptySpan;
        }
    }
    if (batch.count > 0) flush();
}

// Walks the band's triangles (every triangle outside a band) in order with
// their corners; skips broken ones.
template <typename Each>
void ForEachTriangle(const SceneArgs& s, Each&& each) {
    if (s.triangles == nullptr || s.points == nullptr) return;
    auto one = [&](int i) {
        const __Point3ds* c[3];
        if (TriangleCorners(s, s.triangles[i], c)) each(&s.triangles[i], c);
    };
    if (s.band == nullptr) {
        for (int i = 0; i < s.triangleCount; ++i) one(i);
        return;
    }
    for (int k = 0; k < s.band->count && s.band->Continue(); ++k) one(s.band->triangles[k]);
}

template <bool kPhong>
void FillLoop(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        if (!RefractionFacing(FaceNz(*c[0], *c[1], *c[2]))) return;
        FillTriangle f;
        if (!PrepareFill(s, tri, *c[0], *c[1], *c[2], true, f)) return;
        auto span = [&](uint8_t* frame) {
            if (kPhong)
                __SpanPhong(s, frame, f);
            else
                __SpanFlat(s, frame, f);
        };
        if (_Quality)
            DrawApart(s, c, false, span);
        else
            span(s.dst);
    });
}

}  // namespace

void __RasterSceneMode0(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds*, const __Point3ds* const c[3]) {
        if (Facing(FaceNz(*c[0], *c[1], *c[2]))) __RasterTriangleRough(s, c);
    });
}

void __RasterSceneMode1(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        if (Facing(FaceNz(*c[0], *c[1], *c[2]))) __RasterTriangleLine(s, tri, c);
    });
}

void __RasterSceneMode2(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        CurvedPatch patch;
        patch.Build(*c[0], *c[1], *c[2]);
        for (int pass = 0; pass < 3; ++pass) __RasterTriangleWirePass(s, tri, patch, pass);
    });
}

void __RasterSceneMode3(const SceneArgs& s) { FillLoop<false>(s); }
void __RasterSceneMode6(const SceneArgs& s) { FillLoop<true>(s); }

void __RasterSceneMode8(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        DrawApart(s, c, true, [&](uint8_t* triangle) { __RasterTriangleSubdiv(s, triangle, tri, c); });
    });
}

void __RasterSceneMode9(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        DrawApart(s, c, true, [&](uint8_t* triangle) { __RasterTriangleCurved(s, triangle, tri, c); });
    });
}

void __RasterSceneMode10(const SceneArgs& s) {
    if (_DrawBackFaces1) return;
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) { __SpanCurved(s, *tri, c); });
}

void __RasterSolidTriangles(const SceneArgs& s, float c0, float c1, float c2, float opacity) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        FillTriangle f;
        if (PrepareFill(s, tri, *c[0], *c[1], *c[2], false, f)) __SpanSolid(s.dst, f, c0, c1, c2, opacity);
    });
}

void __RasterLineColorTriangles(const SceneArgs& s, float lineWidth, int c0, int c1, int c2) {
    ForEachTriangle(s, [&](__Triangle3ds*, const __Point3ds* const c[3]) {
        if (!_DubleSide && FaceNz(*c[0], *c[1], *c[2]) < 0.0f) return;
        // __RasterTriangleLineColor: the three offset edges.
        for (int i = 0; i < 3; ++i) {
            const __Point3ds& p = *c[i];
            const __Point3ds& q = *c[(i + 1) % 3];
            __SpanLineColor(s.dst, p.x + s.offX, p.y + s.offY, q.x + s.offX, q.y + s.offY, lineWidth, c0, c1, c2);
        }
    });
}

// Mode 10: the patch's source pixels where it faces the viewer, an outline in
// the material colour near its silhouette.
void __SpanCurved(const SceneArgs& s, const __Triangle3ds& tri, const __Point3ds* const c[3]) {
    __Point3ds local[3];
    float ox, oy;
    LatticeCorners(c, local, ox, oy);
    CurvedPatch patch;
    patch.Build(local[0], local[1], local[2]);
    const PatchLattice<true> lattice(patch, s, true, ox, oy);
    const float cm = static_cast<float>(_ColorMax);
    float color[3] = {cm, 0.0f, 0.0f};
    if (s.materials != nullptr && s.materialCount > 0) {
        const material3ds& m = s.materials[std::min<int>(tri.material, s.materialCount - 1)];
        for (int k = 0; k < 3; ++k) color[k] = cm * m.diffuse[k];
    }
    const EngineClip clip = _Clip;
    CurvedCopy copy{&s, clip, color};
    lattice.Walk(clip, s.band, copy);
}

bool TriangleColumnReach(const SceneArgs& s, int index, int& x0, int& x1) {
    x0 = 0, x1 = s.width;
    if (!(_DrawMode == 8 || _DrawMode == 9 || ((_DrawMode == 3 || _DrawMode == 6) && _Quality))) return true;
    // Drawn apart: clipped to its box.
    const __Point3ds* c[3];
    EngineClip box;
    if (s.triangles == nullptr || s.points == nullptr || !TriangleCorners(s, s.triangles[index], c) ||
        !TriangleBox(s, c, _DrawMode >= 8, box))
        return false;
    x0 = box.x0, x1 = box.x1;
    return true;
}

bool TriangleRowReach(const SceneArgs& s, int index, int& y0, int& y1) {
    const __Point3ds* c[3];
    if (s.triangles == nullptr || s.points == nullptr || !TriangleCorners(s, s.triangles[index], c)) return false;
    double lo = 0, hi = -1;
    auto corners = [&](double margin) {
        const Box b = __TriangleBBox(c);
        lo = b.y0 + s.offY - margin, hi = b.y1 + s.offY + margin;
    };
    switch (_DrawMode) {
        case 0: corners(2); break;
        case 1: corners(2.0 * WireRadius() + 4); break;
        case 3:
        case 6:
        case 8:
        case 9:
            if (_DrawMode >= 8 || _Quality) {
                // Drawn apart: nothing leaves the box.
                EngineClip box;
                if (!TriangleBox(s, c, _DrawMode >= 8, box)) return false;
                y0 = box.y0, y1 = box.y1 - 1;
                return true;
            }
            // Drawn in place, on the rows between the corners moved by the
            // offset in floats: a row of slack covers their rounding.
            corners(1 + 1e-6 * (std::fabs(double(c[0]->y)) + std::fabs(double(c[1]->y)) + std::fabs(double(c[2]->y)) +
                                std::fabs(double(s.offY))));
            break;
        case 2:
        case 10: {
            CurvedPatch patch;
            patch.Build(*c[0], *c[1], *c[2]);
            double x0, top, x1, bottom;
            if (!patch.Hull(x0, top, x1, bottom)) return false;
            const double margin = (_DrawMode == 2 ? 2.0 * WireRadius() : 0.0) + 4 + RoundingReach(patch, s, 1e-5);
            lo = top + s.offY + 0.5 - margin, hi = bottom + s.offY + 0.5 + margin;
            break;
        }
        default: return false;
    }
    if (!(hi >= 0 && lo < s.height)) return false;
    y0 = FloorClamp(lo, 0, s.height - 1), y1 = FloorClamp(hi, 0, s.height - 1);
    return true;
}
