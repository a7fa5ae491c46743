// Geometry and raster helpers shared by the triangle rasterisers, the span
// kernels and the shader.
#include <algorithm>
#include <cmath>
#include <utility>

#include "Engine.h"
#include "TurnAngles.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// Direction of a -> e as an angle in 0..2 pi, from a quadrant and acos.
float EdgeAngle(const __Point3ds& a, const __Point3ds& e) {
    static const float kQuadrant[4] = {0.0f, kPi / 2, kPi, 3 * kPi / 2};
    const float dx = e.x - a.x, dy = e.y - a.y;
    int q;
    if (e.x >= a.x)
        q = e.y > a.y ? 0 : 3;
    else
        q = e.y > a.y ? 1 : 2;
    const float h = std::hypot(std::fabs(dx), std::fabs(dy));
    if (h == 0.0f) return kQuadrant[q];
    return kQuadrant[q] + std::acos(((q & 1) ? std::fabs(dy) : std::fabs(dx)) / h);
}

// The crossing of edge i (vertices s, e) with scan line y: the larger end x
// for a flat edge.
float Crossing(const __Point3ds& s, const __Point3ds& e, float y) {
    if (std::fabs(e.y - s.y) < 1.0f) return std::max(s.x, e.x);
    return (y - s.y) * (e.x - s.x) / (e.y - s.y) + s.x;
}

bool Straddles(const __Point3ds& s, const __Point3ds& e, int y) {
    const int ya = static_cast<int>(s.y), yb = static_cast<int>(e.y);
    return (yb >= y && y >= ya) || (ya > y && y >= yb);
}

}  // namespace

bool __FixTriangleOrder(EdgeTriple* edges, __Point3ds* points) {
    const int a = edges[0][0], b = edges[1][0], c = edges[1][1];
    turn::Order order = turn::QuickOrder(points[b].x - points[a].x, points[b].y - points[a].y,
                                         points[c].x - points[a].x, points[c].y - points[a].y);
    if (order == turn::kUnsure) {
        const float delta = EdgeAngle(points[a], points[c]) - EdgeAngle(points[a], points[b]);
        if (std::fabs(delta) < 0.00001f) return false;
        order = delta < 0.0f || delta > 3.141592f ? turn::kSwap : turn::kKeep;
    }
    if (order == turn::kSwap) {
        std::swap(points[b], points[c]);
        std::swap(edges[0][2], edges[2][2]);
    }
    return true;
}

void __LineEquation(float x1, float y1, float x2, float y2, float& p, float& q, float& r) {
    p = y2 - y1;
    q = x1 - x2;
    r = -p * x1 - q * y1;
}

void __IntersectPlane(float x0, float y0, float z0, float nx, float ny, float nz, float kx, float ky, float kz,
                      float d, float& x, float& y, float& z) {
    const float S = kx + ky + kz;
    x = x0, y = y0, z = z0;
    // A zero normal has no plane to meet.
    if (!(S != 0.0f) || !std::isfinite(S)) return;
    if (std::fabs(ny) > std::fabs(nx)) {
        y = ((kx + kz) * y0 - (x0 * nx + d + z0 * nz) * ny) / S;
        x = (y - y0) * nx / ny + x0;
        z = (y - y0) * nz / ny + z0;
    } else if (nx == 0.0f) {
        z = ((kx + ky) * z0 - (x0 * nx + d + y0 * ny) * nz) / S;
        x = (z - z0) * nx / nz + x0;
        y = (z - z0) * ny / nz + y0;
    } else {
        x = ((ky + kz) * x0 - (y0 * ny + d + z0 * nz) * nx) / S;
        y = (x - x0) * ny / nx + y0;
        z = (x - x0) * nz / nx + z0;
    }
}

void ProjectOntoTangentPlane(const float point[3], const float on[3], const float n[3], float out[3]) {
    const float d = -(n[0] * on[0] + n[1] * on[1] + n[2] * on[2]);
    __IntersectPlane(point[0], point[1], point[2], n[0], n[1], n[2], n[0] * n[0], n[1] * n[1], n[2] * n[2], d,
                     out[0], out[1], out[2]);
}

void __TriangleNormal(const __Point3ds* p, float& nx, float& ny, float& nz) {
    const float ux = p[0].x - p[1].x, uy = p[0].y - p[1].y, uz = p[0].z - p[1].z;
    const float vx = p[2].x - p[1].x, vy = p[2].y - p[1].y, vz = p[2].z - p[1].z;
    nx = uy * vz - uz * vy;
    ny = uz * vx - ux * vz;
    nz = ux * vy - uy * vx;
}

void __FaceNormal(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c, float& nx, float& ny,
                  float& nz) {
    const __Point3ds p[3] = {c, b, a};
    __TriangleNormal(p, nx, ny, nz);
}

float __FindSpanEdge(int n, int k, const __Point3ds* points, const EdgeTriple* edges, int y, SpanEdge& out) {
    int i = k;
    while (i < n - 1 && !Straddles(points[edges[i][0]], points[edges[i][1]], y)) ++i;
    if (i >= n - 1) i = n - 1;
    const __Point3ds& s = points[edges[i][0]];
    const __Point3ds& e = points[edges[i][1]];
    const float x = Crossing(s, e, static_cast<float>(y));
    __LineEquation(s.x, s.y, e.x, e.y, out.p, out.q, out.r);
    out.pq2 = out.p * out.p + out.q * out.q;
    out.root = std::sqrt(out.pq2);
    out.start = edges[i][0];
    out.end = edges[i][1];

    // The crossing one row further along the edge gives the band's width.
    const __Point3ds& lower = s.y < e.y ? s : e;
    const __Point3ds& higher = s.y < e.y ? e : s;
    const int y2 = lower.x > higher.x ? y - 1 : y + 1;
    int j = k;
    while (j < n - 1) {
        const int ya = static_cast<int>(points[edges[j][0]].y), yb = static_cast<int>(points[edges[j][1]].y);
        if (yb >= y2 && y2 >= ya) break;
        ++j;
    }
    if (j >= n - 1) j = n - 1;
    const float x2 = Crossing(points[edges[j][0]], points[edges[j][1]], static_cast<float>(y2));
    out.band = std::max(3.0f, std::fabs(x2 - x));
    return x;
}

int __FindTopVertex(int n, const __Point3ds* points, const EdgeTriple* edges, float& minY) {
    float maxY = -99999997952.0f;
    minY = 99999997952.0f;
    int top = 1;
    for (int i = 0; i < n; ++i) {
        const float y = points[edges[i][0]].y;
        if (y >= maxY) maxY = y, top = i;
        if (y < minY) minY = y;
    }
    return top;
}

void __RotateTriples(int n, int k, EdgeTriple* edges) {
    if (n <= 0) return;
    // Triangles only ever rotate three entries; no allocation on the hot path.
    EdgeTriple small[8];
    EdgeTriple* tmp = small;
    EdgeTriple* heap = nullptr;
    if (n > 8) tmp = heap = new EdgeTriple[n];
    k = ((k % n) + n) % n;
    for (int j = 0; j < n; ++j) std::memcpy(tmp[j], edges[(j + k) % n], 3);
    std::memcpy(edges, tmp, 3 * static_cast<size_t>(n));
    delete[] heap;
}

void __ProjectPersp(float x, float y, float z, float& ox, float& oy) {
    // Undoes __AddPersp: back from the divided position to the flat one.
    const float f = 1.0f - z / _Persp_Far;
    ox = f * (x - _Persp_x) + _Persp_x;
    oy = f * (y - _Persp_y) + _Persp_y;
}

namespace {

void BlendPixel(uint8_t* frame, float c0, float c1, float c2, int x, int y, float a, bool tracks) {
    if (x < _FrameClip.x0 || y < _FrameClip.y0 || x >= _FrameClip.x1 || y >= _FrameClip.y1) return;
    if (!(a > 0.0f)) return;
    if (tracks) {
        RowSpan& dirty = _RowDirty[y];
        dirty.x0 = std::min(dirty.x0, x), dirty.x1 = std::max(dirty.x1, x + 1);
    }
    const float cm = static_cast<float>(_ColorMax);
    const float c[3] = {Clamp(c0, 0.0f, cm), Clamp(c1, 0.0f, cm), Clamp(c2, 0.0f, cm)};
    if (_Deep)
        BlendChannels<uint16_t>(frame, PixelIndex(x, y), c, a, cm);
    else
        BlendChannels<uint8_t>(frame, PixelIndex(x, y), c, a, cm);
}

}  // namespace

void __BlendPixel(uint8_t* frame, float c0, float c1, float c2, int x, int y, float a) {
    BlendPixel(frame, c0, c1, c2, x, y, a, frame == _TriangleBuffer);
}

void BlendTriangleBufferPixel(uint8_t* frame, float c0, float c1, float c2, int x, int y, float a) {
    BlendPixel(frame, c0, c1, c2, x, y, a, true);
}

float LineCoverage(float p, float q, float r, float root, float x, float y, float w) {
    return Clamp(w - std::fabs((p * x + q * y + r) / root), 0.0f, 1.0f);
}

float SegmentCoverage(float p, float q, float r, float pq2, float root, float x, float y, float w, float ex0,
                      float ey0, float ex1, float ey1) {
    if (!(pq2 > 0.01f)) return 0.0f;
    const float t = (p * x + q * y + r) / pq2;
    float ox = t * p, oy = t * q;
    if (p == 0.0f && std::fabs(oy) < 0.0001f) oy = 0.0f;
    if (q == 0.0f && std::fabs(ox) < 0.0001f) ox = 0.0f;
    const float fx = x - ox, fy = y - oy;
    const bool thinX = std::fabs(ex1 - ex0) < 0.0001f, thinY = std::fabs(ey1 - ey0) < 0.0001f;
    const bool inX = fx >= std::min(ex0, ex1) && fx <= std::max(ex0, ex1);
    const bool inY = fy >= std::min(ey0, ey1) && fy <= std::max(ey0, ey1);
    const bool beside = thinX ? inY : (thinY ? inX : inX && inY);
    if (beside) return LineCoverage(p, q, r, root, x, y, w);
    // Past an end: the distance to the nearer end point gives a round cap.
    const bool first = std::fabs(fx - ex0) + std::fabs(fy - ey0) <= std::fabs(fx - ex1) + std::fabs(fy - ey1);
    return Clamp(w - std::hypot(x - (first ? ex0 : ex1), y - (first ? ey0 : ey1)), 0.0f, 1.0f);
}

float __BlendEdgeCoverage(uint8_t* frame, float opacity, float c0, float c1, float c2, float p, float q, float r,
                          float root, int x, int y, float w) {
    const float coverage = LineCoverage(p, q, r, root, static_cast<float>(x), static_cast<float>(y), w);
    if (coverage != 0.0f) __BlendPixel(frame, c0, c1, c2, x, y, coverage * opacity);
    return coverage;
}

float __DrawEdgePixel(uint8_t* frame, float opacity, float c0, float c1, float c2, float p, float q, float r,
                      float pq2, float root, int x, int y, float w, float ex0, float ey0, float ex1, float ey1) {
    const float coverage = SegmentCoverage(p, q, r, pq2, root, static_cast<float>(x), static_cast<float>(y), w,
                                           ex0, ey0, ex1, ey1);
    if (coverage != 0.0f) __BlendPixel(frame, c0, c1, c2, x, y, coverage * opacity);
    return coverage;
}
