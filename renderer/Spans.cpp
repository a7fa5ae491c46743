// Span kernels: the flat, Phong and solid fills with anti-aliased edge bands,
// and the thick, one-colour and inverted lines.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "Shading.h"

namespace {

// Width of the coverage ramp outside a filled triangle's edges, in pixels.
constexpr double kEdgeRamp = 1.0;

// One edge as E(x, y) = a x + b y + c, negative inside. The coefficients
// come from the edge's end points in a fixed order, so two triangles sharing
// the edge get exactly opposite values and a pixel centre on it belongs to
// exactly one of them.
struct Edge {
    double a, b, c;
    double sign;     // +1 or -1 applied to the shared coefficients
    bool ownsTies;   // E = 0 counts as inside
    double length;
    double x0, y0, dx, dy;  // the segment, for distances past the edge
    double l2;              // dx^2 + dy^2
    double RowTerm(double y) const { return b * y + c; }
    double At(double x, double rowTerm) const { return sign * (a * x + rowTerm); }
    double Distance(double x, double y) const {
        double t = l2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / l2 : 0.0;
        t = ClampD(t, 0.0, 1.0);
        const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
        return std::sqrt(ex * ex + ey * ey);
    }
};

// The length is only read for the coverage ramp: without it, 0.
Edge MakeEdge(const __Point3ds& from, const __Point3ds& to, bool withLength) {
    const bool forward = from.x < to.x || (from.x == to.x && from.y <= to.y);
    const __Point3ds& lo = forward ? from : to;
    const __Point3ds& hi = forward ? to : from;
    Edge e;
    e.a = static_cast<double>(hi.y) - lo.y;
    e.b = static_cast<double>(lo.x) - hi.x;
    e.c = -(e.a * lo.x + e.b * lo.y);
    e.sign = forward ? 1.0 : -1.0;
    e.x0 = from.x, e.y0 = from.y;
    e.dx = static_cast<double>(to.x) - from.x, e.dy = static_cast<double>(to.y) - from.y;
    e.length = withLength ? std::hypot(e.dx, e.dy) : 0.0;
    e.l2 = e.dx * e.dx + e.dy * e.dy;
    return e;
}

// The walk over one triangle's pixels, row by row within the clip: interior
// pixel centres (each exactly once over a mesh), and with bands the pixels
// outside whose centre lies within the coverage ramp.
struct TriangleWalk {
    Edge edge[3];          // edge i runs from corner i to corner i + 1
    double opposite[3];    // E_i at the corner facing edge i
    double toWeight[3];    // 1 / opposite[i]
    double minX, minY, maxX, maxY;
    bool bands;
    bool ok = false;

    TriangleWalk(const __Point3ds* v, bool withBands) : bands(withBands) {
        for (int i = 0; i < 3; ++i) edge[i] = MakeEdge(v[i], v[(i + 1) % 3], withBands);
        const double side = edge[0].At(v[2].x, edge[0].RowTerm(v[2].y));
        if (!(side != 0.0) || !std::isfinite(side)) return;  // no area on the screen
        if (side > 0)
            for (Edge& e : edge) e.sign = -e.sign;
        for (int i = 0; i < 3; ++i) {
            Edge& e = edge[i];
            const double ea = e.sign * e.a, eb = e.sign * e.b;
            e.ownsTies = ea > 0 || (ea == 0 && eb > 0);
            const __Point3ds& o = v[(i + 2) % 3];
            opposite[i] = e.At(o.x, e.RowTerm(o.y));
            toWeight[i] = 1.0 / opposite[i];
        }
        minX = std::min({v[0].x, v[1].x, v[2].x});
        maxX = std::max({v[0].x, v[1].x, v[2].x});
        minY = std::min({v[0].y, v[1].y, v[2].y});
        maxY = std::max({v[0].y, v[1].y, v[2].y});
        ok = true;
    }

    // Barycentric weights from a pixel's edge values, clamped to the
    // triangle for band pixels.
    void Weights(const double E[3], bool interior, double w[3]) const {
        for (int i = 0; i < 3; ++i) w[(i + 2) % 3] = std::max(E[i] * toWeight[i], 0.0);
        if (interior) return;  // they sum to 1 but for rounding far below float's
        const double sum = w[0] + w[1] + w[2];
        if (sum > 0) {
            const double r = 1.0 / sum;
            for (int i = 0; i < 3; ++i) w[i] *= r;
        }
    }

    // The pixels of row y to visit, x0..x1 within the clip; false when none.
    bool RowRange(int y, double reach, const EngineClip& clip, double rowTerm[3], int& x0, int& x1) const {
        double lo = minX - reach, hi = maxX + reach;
        bool empty = false;
        for (int i = 0; i < 3; ++i) {
            const Edge& e = edge[i];
            rowTerm[i] = e.RowTerm(y);
            const double ea = e.sign * e.a, rest = e.sign * rowTerm[i], limit = reach * e.length;
            if (ea > 0)
                hi = std::min(hi, (limit - rest) / ea);
            else if (ea < 0)
                lo = std::max(lo, (limit - rest) / ea);
            else if (rest > limit)
                empty = true;
        }
        if (empty || !(lo <= hi + 2)) return false;
        // One pixel of slack each side; the exact test per pixel decides.
        x0 = FloorClamp(lo - 1, clip.x0, clip.x1);
        x1 = CeilClamp(hi + 1, clip.x0 - 1, clip.x1 - 1);
        return true;
    }

    void EdgeValues(int x, const double rowTerm[3], double E[3]) const {
        for (int i = 0; i < 3; ++i) E[i] = edge[i].At(x, rowTerm[i]);
    }
    bool Inside(int x, const double rowTerm[3]) const {
        for (int i = 0; i < 3; ++i) {
            const double E = edge[i].At(x, rowTerm[i]);
            if (!(E < 0 || (E == 0 && edge[i].ownsTies))) return false;
        }
        return true;
    }

    // Visits the pixels: pixel(x, y, E, coverage, interior) for each, with
    // its edge values E, and rowStart(y) before each row. The clip is read
    // once.
    template <typename Pixel, typename RowStart>
    void Run(Pixel&& pixel, RowStart&& rowStart) const {
        Run(pixel, rowStart, [&](int y, int x0, int x1, const double* rowTerm) {
            for (int x = x0; x <= x1; ++x) {
                double E[3];
                EdgeValues(x, rowTerm, E);
                pixel(x, y, E, 1.0f, true);
            }
        });
    }

    // The same, with span(y, x0, x1, rowTerm) taking each row's interior
    // pixels when there are no bands. Each edge value is monotonic in x (a
    // product and a sum, each rounded), so the pixels inside all three edges
    // are one run, found from its two ends.
    template <typename Pixel, typename RowStart, typename Span>
    void Run(Pixel&& pixel, RowStart&& rowStart, Span&& span) const {
        if (!ok) return;
        const EngineClip clip = _Clip;
        const double reach = bands ? kEdgeRamp : 0.0;
        const int y0 = CeilClamp(minY - reach, clip.y0, clip.y1);
        const int y1 = FloorClamp(maxY + reach, clip.y0 - 1, clip.y1 - 1);
        for (int y = y0; y <= y1; ++y) {
            double rowTerm[3];
            int x0, x1;
            if (!RowRange(y, reach, clip, rowTerm, x0, x1)) continue;
            rowStart(y);
            if (!bands) {
                while (x0 <= x1 && !Inside(x0, rowTerm)) ++x0;
                while (x1 > x0 && !Inside(x1, rowTerm)) --x1;
                if (x0 <= x1) span(y, x0, x1, rowTerm);
                continue;
            }
            for (int x = x0; x <= x1; ++x) {
                double E[3];
                bool inside = true;
                for (int i = 0; i < 3; ++i) {
                    E[i] = edge[i].At(x, rowTerm[i]);
                    inside = inside && (E[i] < 0 || (E[i] == 0 && edge[i].ownsTies));
                }
                float coverage = 1.0f;
                if (!inside) {
                    if (!bands) continue;
                    double d = 0.0;
                    bool outside = false;
                    for (int i = 0; i < 3; ++i)
                        if (E[i] > 0) {
                            const double di = edge[i].Distance(x, y);
                            d = outside ? std::min(d, di) : di;
                            outside = true;
                        }
                    coverage = static_cast<float>(ClampD(kEdgeRamp - d, 0.0, 1.0));
                    if (coverage <= 0.0f) continue;
                }
                pixel(x, y, E, coverage, inside);
            }
        }
    }
};

// Weights of a pixel against the corners mapped back from the perspective
// divide: texture coordinates stay true to the flat surface.
struct PerspectiveWeights {
    float cx[3], cy[3];
    double det = 0;
    bool active = false;

    PerspectiveWeights(const FillTriangle& t, int offX, int offY, bool texFlag) {
        if (_Persp_Val == 0.0f || !texFlag) return;
        active = true;
        for (int i = 0; i < 3; ++i)
            __ProjectPersp(t.v[i].x - offX, t.v[i].y - offY, t.v[i].z, cx[i], cy[i]);
        det = (static_cast<double>(cx[1]) - cx[0]) * (static_cast<double>(cy[2]) - cy[0]) -
              (static_cast<double>(cx[2]) - cx[0]) * (static_cast<double>(cy[1]) - cy[0]);
    }
    bool Drawable() const { return !active || (det != 0.0 && std::isfinite(det)); }

    void At(float x, float y, float z, double w[3]) const {
        float px, py;
        __ProjectPersp(x, y, z, px, py);
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3, k = (i + 2) % 3;
            const double area = (static_cast<double>(cx[j]) - px) * (static_cast<double>(cy[k]) - py) -
                                (static_cast<double>(cx[k]) - px) * (static_cast<double>(cy[j]) - py);
            w[i] = std::max(area / det, 0.0);
        }
        const double sum = w[0] + w[1] + w[2];
        if (sum > 0)
            for (int i = 0; i < 3; ++i) w[i] /= sum;
    }
};

bool TexFlag(const FillTriangle& t) { return t.v[0].hasTexCoords && t.v[1].hasTexCoords && t.v[2].hasTexCoords; }

void InterpolateUV(const FillTriangle& t, const PerspectiveWeights& persp, const double w[3], float x, float y,
                   float z, int offX, int offY, float& u, float& v) {
    double pw[3] = {w[0], w[1], w[2]};
    if (persp.active) persp.At(x - offX, y - offY, z, pw);
    u = static_cast<float>(pw[0] * t.v[0].u + pw[1] * t.v[1].u + pw[2] * t.v[2].u);
    v = static_cast<float>(pw[0] * t.v[0].v + pw[1] * t.v[1].v + pw[2] * t.v[2].v);
}

void Normalized(const __Point3ds& p, float out[3]) {
    out[0] = p.nx, out[1] = p.ny, out[2] = p.nz;
    const float len = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    if (len > 0.0f)
        for (int k = 0; k < 3; ++k) out[k] /= len;
}

// Blends kernel pixels, which lie within the clip, and widens the triangle
// buffer's written span of a row once a row.
class RowWriter {
public:
    // tracks: frame is a triangle buffer.
    RowWriter(uint8_t* frame, bool tracks)
        : frame_(frame), deep_(_Deep != 0), tracks_(tracks), cm_(static_cast<float>(_ColorMax)) {}
    ~RowWriter() { Flush(); }
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    void Blend(int x, int y, float c0, float c1, float c2, float a) {
        if (!(a > 0.0f)) return;
        const float c[3] = {Clamp(c0, 0.0f, cm_), Clamp(c1, 0.0f, cm_), Clamp(c2, 0.0f, cm_)};
        if (deep_)
            BlendChannels<uint16_t>(frame_, PixelIndex(x, y), c, a, cm_);
        else
            BlendChannels<uint8_t>(frame_, PixelIndex(x, y), c, a, cm_);
        if (!tracks_) return;
        if (y != y_) Flush(), y_ = y;
        lo_ = std::min(lo_, x), hi_ = std::max(hi_, x);
    }
    void Flush() {
        if (lo_ > hi_) return;
        RowSpan& dirty = _RowDirty[y_];
        dirty.x0 = std::min(dirty.x0, lo_), dirty.x1 = std::max(dirty.x1, hi_ + 1);
        lo_ = std::numeric_limits<int>::max(), hi_ = std::numeric_limits<int>::min();
    }

private:
    uint8_t* frame_;
    bool deep_, tracks_;
    float cm_;
    int y_ = 0, lo_ = std::numeric_limits<int>::max(), hi_ = std::numeric_limits<int>::min();
};

// Flat and Phong fills share everything but the normal.
template <bool kPhong>
void SpanShaded(const SceneArgs& s, uint8_t* frame, const FillTriangle& t) {
    const TriangleWalk walk(t.v, _Quality != 0);
    const bool tex = TexFlag(t);
    const PerspectiveWeights persp(t, s.offX, s.offY, tex);
    if (!walk.ok || !persp.Drawable()) return;

    float n[3][3], mid[3][3];
    for (int i = 0; i < 3; ++i) Normalized(t.v[i], n[i]);
    const bool quadratic = kPhong && _Quality && _UsePhong2;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) mid[i][k] = (n[i][k] + n[(i + 1) % 3][k]) * 0.5f;

    const PixelShader shade(s, t.tri);
    const DepthTest depthTest(t.plane, t.v[0].z, s.band != nullptr ? s.band->depth : ZBuff);
    RowWriter out(frame, frame == (s.band != nullptr ? s.band->triangle : _TriangleBuffer));
    __PrevInfo prev{};
    // The flat fill reads the weights only for texture coordinates.
    const bool weighted = kPhong || tex;
    // The built-in shader takes the pixels a few at a time; they are blended
    // in their order once shaded.
    const bool batched = shade.Batches(frame);
    const bool neighbours = batched && shade.BatchReadsNeighbours();
    ShadeBatch batch;
    int batchX[kShadeLanes], batchY[kShadeLanes];
    float batchCoverage[kShadeLanes];
    auto flush = [&] {
        shade.Shade(batch, tex);
        for (int i = 0; i < batch.count; ++i)
            out.Blend(batchX[i], batchY[i], batch.color[0][i], batch.color[1][i], batch.color[2][i],
                      batch.opacity[i] * batchCoverage[i]);
        batch.count = 0;
    };
    // A pixel whose depth passed.
    auto shadePixel = [&](int x, int y, const double* E, float coverage, bool interior, float depth) {
        double w[3] = {0.0, 0.0, 0.0};
        if (weighted) walk.Weights(E, interior, w);
        __Point normal = t.faceNormal;
        if (kPhong) {
            float N[3];
            const float w0 = static_cast<float>(w[0]), w1 = static_cast<float>(w[1]),
                        w2 = static_cast<float>(w[2]);
            for (int k = 0; k < 3; ++k)
                N[k] = quadratic ? w0 * w0 * n[0][k] + w1 * w1 * n[1][k] + w2 * w2 * n[2][k] +
                                       w0 * w1 * mid[0][k] + 2 * w1 * w2 * mid[1][k] + w0 * w2 * mid[2][k]
                                 : w0 * n[0][k] + w1 * n[1][k] + w2 * n[2][k];
            normal = {N[0], N[1], N[2]};
        }
        float u = 0.0f, v = 0.0f;
        if (tex) InterpolateUV(t, persp, w, static_cast<float>(x), static_cast<float>(y), depth, s.offX, s.offY, u, v);
        if (batched) {
            const int i = batch.count++;
            batch.x[i] = static_cast<float>(x - s.offX), batch.y[i] = static_cast<float>(y - s.offY);
            batch.z[i] = depth;
            batch.nx[i] = normal.x, batch.ny[i] = normal.y, batch.nz[i] = normal.z;
            batch.u[i] = u, batch.v[i] = v;
            if (neighbours) {
                batch.prev[i] = prev;
                std::memcpy(batch.plane[i], t.plane, sizeof t.plane);
            }
            batchX[i] = x, batchY[i] = y, batchCoverage[i] = coverage;
            if (batch.count == kShadeLanes) flush();
        } else {
            float color[3];
            const float opacity = shade(frame, static_cast<float>(x - s.offX), static_cast<float>(y - s.offY),
                                        depth, &normal, tex, u, v, &prev, t.plane, color);
            out.Blend(x, y, color[0], color[1], color[2], opacity * coverage);
        }
        if (kPhong) {
            prev.normal = normal;
            prev.x = static_cast<float>(x - s.offX);
            prev.y = static_cast<float>(y - s.offY);
            prev.u = u, prev.v = v;
            prev.valid = 1;
        }
    };
    walk.Run(
        [&](int x, int y, const double* E, float coverage, bool interior) {
            float depth;
            if (depthTest(x, y, interior, depth)) shadePixel(x, y, E, coverage, interior, depth);
        },
        [&](int) { prev.valid = 0; },
        // Interior runs: most pixels lie behind others, and their edge
        // values are only needed once the depth has passed.
        [&](int y, int x0, int x1, const double* rowTerm) {
            float depth;
            for (int x = depthTest.NextPass(x0, x1, y, depth); x <= x1; x = depthTest.NextPass(x + 1, x1, y, depth)) {
                double E[3];
                walk.EdgeValues(x, rowTerm, E);
                shadePixel(x, y, E, 1.0f, true, depth);
            }
        });
    if (batch.count > 0) flush();
}

// The line's pixels: with bands every pixel within reach of the segment,
// else one pixel per step along the major axis.
template <typename Pixel>
void WalkSegment(float x0, float y0, float x1, float y1, float width, Pixel&& pixel) {
    const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
    if (dx == 0 && dy == 0) return;
    if (!IsFinite3(x0, y0, x1) || !std::isfinite(y1)) return;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double m0 = xMajor ? x0 : y0, m1 = xMajor ? x1 : y1, n0 = xMajor ? y0 : x0;
    const double slope = xMajor ? dy / dx : dx / dy;
    const int r = _Quality ? TruncClamp(ClampD(width, 0.0, 4096.0) + 2.5, 0, 4099) : 0;
    const int clipM0 = xMajor ? _Clip.x0 : _Clip.y0, clipM1 = xMajor ? _Clip.x1 : _Clip.y1;
    const int clipN0 = xMajor ? _Clip.y0 : _Clip.x0, clipN1 = xMajor ? _Clip.y1 : _Clip.x1;
    const double first = std::floor(std::min(m0, m1) + 0.5), last = std::floor(std::max(m0, m1) + 0.5);
    const int from = FloorClamp(first - r, clipM0, clipM1), to = FloorClamp(last + r, clipM0 - 1, clipM1 - 1);
    for (int m = from; m <= to; ++m) {
        const double centre = std::floor(n0 + (m - m0) * slope + 0.5);
        const int lo = FloorClamp(centre - r, clipN0, clipN1), hi = FloorClamp(centre + r, clipN0 - 1, clipN1 - 1);
        for (int k = lo; k <= hi; ++k) xMajor ? pixel(m, k) : pixel(k, m);
    }
}

}  // namespace

void __SpanFlat(const SceneArgs& s, uint8_t* frame, const FillTriangle& t) { SpanShaded<false>(s, frame, t); }
void __SpanPhong(const SceneArgs& s, uint8_t* frame, const FillTriangle& t) { SpanShaded<true>(s, frame, t); }

void __SpanSolid(uint8_t* frame, const FillTriangle& t, float c0, float c1, float c2, float opacity) {
    const TriangleWalk walk(t.v, _Quality != 0);
    RowWriter out(frame, frame == _TriangleBuffer);
    walk.Run(
        [&](int x, int y, const double*, float coverage, bool) { out.Blend(x, y, c0, c1, c2, opacity * coverage); },
        [](int) {});
}

void __SpanWire(uint8_t* frame, const WireShading& shading, float x0, float y0, float z0, float x1, float y1,
                float z1, float width) {
    float p, q, r;
    __LineEquation(x0, y0, x1, y1, p, q, r);
    const float pq2 = p * p + q * q, root = std::sqrt(pq2);
    const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0, l2 = dx * dx + dy * dy;
    const SceneArgs& s = *shading.scene;
    const PixelShader shade(s, shading.tri);
    WalkSegment(x0, y0, x1, y1, width, [&](int x, int y) {
        const float coverage = _Quality ? SegmentCoverage(p, q, r, pq2, root, static_cast<float>(x),
                                                          static_cast<float>(y), width, x0, y0, x1, y1)
                                        : 1.0f;
        if (coverage <= 0.0f) return;
        const double t = l2 > 0 ? ClampD(((x - x0) * dx + (y - y0) * dy) / l2, 0.0, 1.0) : 0.0;
        const float z = static_cast<float>(z0 + t * (static_cast<double>(z1) - z0));
        __Point normal = shading.normal;
        float color[3];
        const float opacity = shade(frame, static_cast<float>(x - s.offX), static_cast<float>(y - s.offY), z,
                                    &normal, false, 0.0f, 0.0f, nullptr, shading.plane, color);
        __BlendPixel(frame, color[0], color[1], color[2], x, y, opacity * coverage);
    });
}

void __SpanLineColor(uint8_t* frame, float x0, float y0, float x1, float y1, float width, int c0, int c1, int c2) {
    float p, q, r;
    __LineEquation(x0, y0, x1, y1, p, q, r);
    const float pq2 = p * p + q * q, root = std::sqrt(pq2);
    const float c[3] = {static_cast<float>(c0), static_cast<float>(c1), static_cast<float>(c2)};
    WalkSegment(x0, y0, x1, y1, width, [&](int x, int y) {
        if (_Quality)
            __DrawEdgePixel(frame, 1.0f, c[0], c[1], c[2], p, q, r, pq2, root, x, y, width, x0, y0, x1, y1);
        else
            __BlendPixel(frame, c[0], c[1], c[2], x, y, 1.0f);
    });
}

namespace {

// The one-pixel DDA of mode 0: unit steps along the major axis from the
// smaller end, the larger end itself not drawn.
template <typename Put>
void DdaLine(int width, int height, float x0, float y0, float x1, float y1, Put&& put) {
    const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
    if ((dx == 0 && dy == 0) || !IsFinite3(x0, y0, x1) || !std::isfinite(y1)) return;
    const bool xMajor = std::fabs(dx) > std::fabs(dy);
    const bool fromFirst = xMajor ? x0 <= x1 : y0 <= y1;
    const double sm = xMajor ? (fromFirst ? x0 : x1) : (fromFirst ? y0 : y1);
    const double sn = xMajor ? (fromFirst ? y0 : y1) : (fromFirst ? x0 : x1);
    const double length = std::fabs(xMajor ? dx : dy);
    const double slope = xMajor ? dy / dx : dx / dy;
    const int majorSize = xMajor ? width : height;
    // Rows of the band being drawn.
    const int rowFrom = std::max(0, _Clip.y0), rowTo = std::min(height, _Clip.y1);
    // Steps k with sm + k inside 0..majorSize and k < length.
    const double kFrom = std::max(0.0, std::ceil(-sm));
    const double kTo = std::min(std::ceil(length) - 1, std::ceil(majorSize - sm) - 1);
    // Counted in integers: far out a step of 1.0 no longer moves a double,
    // and the steps are then taken from the first one inside the frame.
    const bool far = kFrom >= 4503599627370496.0;  // 2^52
    const double m0 = sm + kFrom, n0 = sn + kFrom * slope;
    const double steps = far ? std::min(std::ceil(length) - 1 - kFrom, std::ceil(majorSize - m0) - 1) : kTo - kFrom;
    for (int64_t i = 0; i <= steps; ++i) {
        const double k = kFrom + static_cast<double>(i);
        const double m = far ? m0 + static_cast<double>(i) : sm + k;
        const double n = far ? n0 + static_cast<double>(i) * slope : sn + k * slope;
        const int px = FloorClamp(xMajor ? m : n, -1, width), py = FloorClamp(xMajor ? n : m, -1, height);
        if (px < 0 || py < rowFrom || px >= width || py >= rowTo) continue;
        put(static_cast<ptrdiff_t>(py) * width + px);
    }
}

}  // namespace

void __DrawLineInverted(uint8_t* dst, const uint8_t* src, int width, int height, float x0, float y0, float x1,
                        float y1) {
    DdaLine(width, height, x0, y0, x1, y1, [&](ptrdiff_t pixel) {
        const ptrdiff_t i = 4 * pixel;
        for (int k = 0; k < 3; ++k) __PutChannel(dst, i + k, _ColorMax - __GetChannel(src, i + k));
        __PutChannel(dst, i + 3, _ColorMax);
    });
}

void __DrawLineColor(uint8_t* dst, int width, int height, float x0, float y0, float x1, float y1, int c0, int c1,
                     int c2) {
    DdaLine(width, height, x0, y0, x1, y1, [&](ptrdiff_t pixel) {
        const ptrdiff_t i = 4 * pixel;
        const int c[3] = {c0, c1, c2};
        for (int k = 0; k < 3; ++k) __PutChannel(dst, i + k, std::clamp(c[k], 0, static_cast<int>(_ColorMax)));
        __PutChannel(dst, i + 3, _ColorMax);
    });
}

Box __TriangleBBox(const __Point3ds* const corners[3]) {
    Box b{1e11f, 1e11f, -1e11f, -1e11f};
    for (int i = 0; i < 3; ++i) {
        b.x0 = std::min(b.x0, corners[i]->x);
        b.y0 = std::min(b.y0, corners[i]->y);
        b.x1 = std::max(b.x1, corners[i]->x);
        b.y1 = std::max(b.y1, corners[i]->y);
    }
    return b;
}
