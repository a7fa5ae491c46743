#include "BranchGrowers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "GrowthRandom.h"
#include "TurnAngles.h"

namespace frostel {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Counts derived from parameters may come from scripts: truncated like an
// int conversion, but kept where the loops and int arithmetic stay sound.
constexpr int kMaxCount = 1 << 30;
int ToCount(double v) {
    if (!(v == v)) return 0;
    if (v >= kMaxCount) return kMaxCount;
    if (v <= -kMaxCount) return -kMaxCount;
    return int(v);
}

// A draw scaled to 0 .. 0.999.
float DrawFraction() { return float(GrowthRandom() % 1000) / 1000.0f; }

PatternVertex Corner(float x, float y, float z) {
    PatternVertex v{};
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

// Corner normals shared by every grower: each corner's (nx, ny) is the
// normal of the edge leaving it, nz the negated z of the unit face normal.
// Returns that face value.
float SetCornerNormals(BranchTriangle& t) {
    PatternVertex* c[3] = {&t.p0, &t.p1, &t.p2};
    const float ax = t.p0.x - t.p1.x, ay = t.p0.y - t.p1.y, az = t.p0.z - t.p1.z;
    const float bx = t.p2.x - t.p1.x, by = t.p2.y - t.p1.y, bz = t.p2.z - t.p1.z;
    const float cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    const float len = std::sqrt(cx * cx + cy * cy + cz * cz);
    const float face = -(len != 0.0f ? cz / len : cz);
    for (int i = 0; i < 3; ++i) {
        const PatternVertex& next = *c[(i + 1) % 3];
        SegmentNormal(c[i]->x, c[i]->y, next.x, next.y, c[i]->nx, c[i]->ny);
        c[i]->nz = face;
        c[i]->hasNormal = 1;
    }
    return face;
}

struct Point2 {
    float x, y;
};

// Angle of (dx, dy) in 0 .. 2 pi, built quadrant by quadrant.
float QuadrantAngle(float dx, float dy) {
    const float ax = std::fabs(dx), ay = std::fabs(dy);
    float base, m;
    if (dx >= 0 && dy > 0) base = 0.0f, m = ax;
    else if (dx < 0 && dy > 0) base = 1.5707964f, m = ay;
    else if (dx < 0) base = 3.1415927f, m = ax;
    else base = 4.712389f, m = ay;
    const float len = std::hypot(ax, ay);
    return len > 0 ? base + std::acos(std::fmin(1.0f, m / len)) : base;
}

// Orders the two corners after r0 by their angle seen from r0, so that every
// triangle of the emitter has the same winding.
void FixTriangleOrder(const Point2& r0, Point2& e1, Point2& e2) {
    const turn::Order order = turn::QuickOrder(e1.x - r0.x, e1.y - r0.y, e2.x - r0.x, e2.y - r0.y);
    if (order != turn::kUnsure) {
        if (order == turn::kSwap) std::swap(e1, e2);
        return;
    }
    const float d = QuadrantAngle(e2.x - r0.x, e2.y - r0.y) - QuadrantAngle(e1.x - r0.x, e1.y - r0.y);
    if (std::fabs(d) < 1e-5f) return;
    if (d < 0 || d > 3.141592f) std::swap(e1, e2);
}

// A corner and its successor around the triangle.
struct CornerRecord {
    Point2 corner, next;
};

// The record whose corner lies lowest in the image (largest y); ties go to
// the later record.
int FindTopTriangleVertex(const CornerRecord (&records)[3]) {
    int top = 0;
    float maxY = -99999997952.0f;
    for (int i = 0; i < 3; ++i) {
        if (records[i].corner.y >= maxY) {
            maxY = records[i].corner.y;
            top = i;
        }
    }
    return top;
}

// The cosines of the triangle counts up to this many are kept once taken:
// every growth of a figure asks for the same counts in turn, so that a
// preview grown again takes them all from here.
constexpr int32_t kKeptCountCosines = 1 << 20;
std::vector<float> gCountCosines;  // NaN: not yet taken

// The cosine of a triangle count as a float. Each fan triangle reads it for
// the count before it and for its own, and the one before it read that count
// last: keeping the last value spares half the calls, which cost more than
// anything else in the growth where the C runtime's cosf is slow.
float CountCosine(int32_t count) {
    static float lastArgument = -1.0f, lastCosine = std::cos(-1.0f);
    const float x = float(count);
    if (x == lastArgument) return lastCosine;
    lastArgument = x;
    if (count < 0 || count >= kKeptCountCosines) return lastCosine = std::cos(x);
    if (size_t(count) >= gCountCosines.size()) {
        try {
            const size_t size = std::max<size_t>(size_t(count) + 1, 2 * gCountCosines.size());
            gCountCosines.resize(std::min<size_t>(kKeptCountCosines, size), std::numeric_limits<float>::quiet_NaN());
        } catch (const std::bad_alloc&) {
            return lastCosine = std::cos(x);
        }
    }
    float& kept = gCountCosines[size_t(count)];
    if (kept != kept) kept = std::cos(x);
    return lastCosine = kept;
}

// Angle of a direction, atan-style, with the quadrant fixed up by hand.
float BaseAngle(float nx, float ny) {
    if (nx != 0) {
        const float b = std::atan(ny / nx);
        if (nx >= 0) return b;
        return float(ny <= 0 ? double(b) - kPi : double(b) + kPi);
    }
    return ny > 0 ? 1.5707964f : ny < 0 ? -1.5707964f : 0.0f;
}

}  // namespace

void AddBranchTriangle(BranchTree& list, float x1, float y1, float x2, float y2, float nx, float ny,
                       float h, float f) {
    if (list.Full()) return;
    const float r = DrawFraction();
    const float s0 = h * 0.5f + r * h;
    float s = s0;
    if (f != 1.0f) s = s0 * std::fmin(1.5f, double(f) < 0.1 ? 0.1f : f);

    const Point2 pts[3] = {{x1, y1}, {x2, y2}, {s * nx + (x1 + x2) * 0.5f, s * ny + (y1 + y2) * 0.5f}};
    CornerRecord records[3] = {{pts[0], pts[1]}, {pts[1], pts[2]}, {pts[2], pts[0]}};
    RotatePointArray(3, FindTopTriangleVertex(records), records);
    const Point2 r0 = records[0].corner;
    Point2 e1 = records[1].corner, e2 = records[1].next;
    FixTriangleOrder(r0, e1, e2);

    BranchTriangle t{};
    t.p0 = Corner(r0.x, r0.y, s0 * r);
    t.p1 = Corner(e1.x, e1.y, r * h);
    t.p2 = Corner(e2.x, e2.y, 0.0f);
    SetCornerNormals(t);
    list.Add(t);
}

void GrowBranchRecursive(int i, int K, BranchTree& list, int depth, float x, float y, float z, float nx,
                         float ny, float nz, float s, float l, float pw, float pl, float D, float q, int T,
                         int It) {
    if (list.Full()) return;
    if (It < 1) It = 1;
    int limit = It;
    if (depth == 0) limit = int(float(GrowthRandom() % It) * 0.5f + float(It / 2 + 1));
    if (depth >= limit || depth >= kMaxBranchDepth) return;

    GrowthRandom();  // part of the sequence, its value unused
    const int k = ToCount(std::fmax(1.0, 0.5 * T));
    const bool otherSide = (K == 1 && depth % 2 != 0) || (K == 3 && i % 2 != 0);

    const float childSpread = std::fmax(0.01f, (1 - pl) * s);
    const float childLength = std::fmax(0.001f, (1 - pw) * l);
    const int childT = ToCount(T * 1.5);

    // The fan turns by A: each triangle's near corner lies at the angle of
    // the one before it's far corner, whose cosine and sine are kept.
    float A = 0, cosA = 0, sinA = 0, rho1 = 0, rho2 = 0;
    for (int j = 0; j < k && !list.Full(); ++j) {
        const int32_t N = gBranchCount + 1;  // the count once this triangle is stored
        const float r = DrawFraction();
        const float u = r * r - 0.5f;
        if (j == 0) {
            float b = BaseAngle(nx, ny);
            if (otherSide) b = b - 2.0f * float(k) * s;
            A = u * D + b;
            cosA = std::cos(A), sinA = std::sin(A);
            rho1 = float((double(r) + 0.5) * l);
        } else {
            rho1 = j % 2 != 0 ? float((double(r) + 0.5) * l) : rho2;
        }
        BranchTriangle t{};
        t.p1 = Corner(cosA * rho1 + x, sinA * rho1 + y, CountCosine(N - 1) * rho1 + z);
        A = float((double(r) + 0.25) * s + A);
        cosA = std::cos(A), sinA = std::sin(A);
        rho2 = (u + 0.5f) * l + rho1;
        t.p2 = Corner(cosA * rho2 + x, sinA * rho2 + y, CountCosine(N) * rho2 + z);
        t.p0 = Corner(x, y, z);
        t.tag = depth;
        const float face = SetCornerNormals(t);
        if (!list.Add(t)) return;

        const float n1x = (t.p0.nx + t.p1.nx) / 2 * q + (1 - q) * nx;
        const float n1y = (t.p0.ny + t.p1.ny) / 2 * q + (1 - q) * ny;
        const float n2x = (t.p1.nx + t.p2.nx) / 2;
        const float n2y = (t.p1.ny + t.p2.ny) / 2;
        nz = (face + nz) / 2;
        GrowBranchRecursive(i, K, list, depth + 1, t.p1.x, t.p1.y, z, n1x, n1y, nz, childSpread, childLength,
                            pw, pl, D * 1.2f, q, childT, It);
        GrowBranchRecursive(i, K, list, depth + 1, t.p2.x, t.p2.y, z, n2x, n2y, nz, childSpread, childLength,
                            pw, pl, D * 1.2f, q, childT, It);
    }
}

void FreeCountCosines() { std::vector<float>().swap(gCountCosines); }

int64_t BranchRecursiveTriangles(int T, int It) {
    constexpr double kMost = double(int64_t(1) << 40);
    // The depth-0 limit is drawn, but never below 1: only It bounds the depth.
    const int depths = std::min(std::max(It, 1), kMaxBranchDepth);
    double calls = 1, triangles = 0;
    for (int depth = 0; depth < depths && triangles < kMost; ++depth) {
        const double k = ToCount(std::fmax(1.0, 0.5 * T));
        triangles += calls * k;
        calls *= 2 * k;
        T = ToCount(T * 1.5);
    }
    return int64_t(std::min(triangles, kMost));
}

void GrowSubBranches(float& endX, float& endY, BranchTree& list, float x, float y, float z, float theta,
                     float kappa, float length, int n, float width, int depth) {
    if (n <= 0) {
        endX = x;
        endY = y;
        return;
    }
    const int m = n > 7 ? n : 7;
    const float rot = theta - kappa;
    const float c = std::cos(rot), s = std::sin(rot);
    const float dl = length / float(m), dk = kappa / float(m);
    const float cx = -std::cos(kappa) * length, cy = -std::sin(kappa) * length;
    // The arc is built around a local origin at its start, then placed.
    auto place = [&](float px, float py, float& ox, float& oy) {
        ox = px * c - py * s + x;
        oy = px * s + py * c + y;
    };

    float prevX = 0, prevY = 0, a = kappa, R = length;
    float lastP1z = z;
    for (int64_t step = 0; step <= m && !list.Full(); ++step) {
        const float nextR = R - dl;
        const float curX = std::cos(a - dk) * nextR + cx, curY = std::sin(a - dk) * nextR + cy;
        const float phi = kappa >= 0 ? float(double(a + dk) - kPi) : a + dk;
        const float wX = -std::sin(phi) * R * width + curX, wY = std::cos(phi) * R * width + curY;

        BranchTriangle t{};
        place(prevX, prevY, t.p0.x, t.p0.y);
        place(prevX + 2 * (curX - prevX), prevY + 2 * (curY - prevY), t.p1.x, t.p1.y);
        place(wX, wY, t.p2.x, t.p2.y);
        if (kappa < 0) {
            std::swap(t.p1.x, t.p2.x);
            std::swap(t.p1.y, t.p2.y);
        }
        t.p0.z = z;
        t.p1.z = float(double(R + z) / 1.5);
        t.p2.z = float(double(R + z) * 1.5);
        SetCornerNormals(t);
        list.Add(t);
        lastP1z = t.p1.z;

        prevX = curX;
        prevY = curY;
        a -= dk;
        R = nextR;
    }
    place(std::cos(kappa / 2) * length / 2 + cx, std::sin(kappa / 2) * length / 2 + cy, endX, endY);

    if (list.Full()) return;
    const int v = GrowthRandom();
    if (v % 100 > 35 && depth < 2) {
        const double k3 = 0.75 * double(kappa);
        float bx, by;
        place(float(std::cos(k3) * 0.75 * length + cx), float(std::sin(k3) * 0.75 * length + cy), bx, by);
        const float sideTheta = float(kappa >= 0 ? double(theta) + kPi / 2 : double(theta) - kPi / 2);
        float ex, ey;
        GrowSubBranches(ex, ey, list, bx, by, lastP1z + 50, sideTheta, -0.85f * kappa, 0.6f * length,
                        int(0.75f * float(m)), 0.8f * width, depth + 1);
    }
}

void GrowFigureAAlt(BranchTree& list, float x, float y, float z, float theta, float kappa, float length) {
    const float delta = kappa > 0 ? 0.27488935f : -0.27488935f;
    float a = float(kappa > 0 ? double(theta) + 2.199114857512855 : double(theta) - 2.199114857512855);
    float R = length / 3;
    for (int k = 0; k < 8 && !list.Full(); ++k) {
        if (k == 7) R = R / 2;
        Point2 A{std::cos(a) * R + x, std::sin(a) * R + y};
        a += delta;
        R += length / 20;
        Point2 B{std::cos(a) * R + x, std::sin(a) * R + y};
        if (kappa < 0) std::swap(A, B);
        BranchTriangle t{};
        t.p0 = Corner(x, y, z);
        t.p1 = Corner(A.x, A.y, z / 2);
        t.p2 = Corner(B.x, B.y, z * 1.5f);
        SetCornerNormals(t);
        list.Add(t);
    }
}

void GrowFigureA(int c, BranchTree& list, float x, float y, float z, float theta, float kappa, float length,
                 float width, bool variant, int n) {
    int arcs = n;
    if (n == 0) arcs = 10;
    else if (n < 0) {
        const int fromLength = ToCount(std::sqrt(std::fabs(length / float(n)) + 1.0f) * std::fabs(kappa) * 7.0f);
        arcs = fromLength > 7 ? fromLength : 7;
    }

    if (variant) {
        GrowFigureAAlt(list, x, y, z, theta, kappa, length);
    } else {
        const float side = float(kappa / 3 + (kappa > 0 ? double(theta) - kPi / 2 : double(theta) + kPi / 2));
        float ex, ey;
        GrowSubBranches(ex, ey, list, x, y, z, side, -0.5f * kappa, 0.5f * length, arcs / 2, 0.5f * width, 0);
    }

    const float dTheta = std::fmin(0.7853982f, std::fmax(-0.7853982f, kappa * 0.3f));
    float w = width;
    for (int k = 0; k < c && !list.Full(); ++k) {
        GrowSubBranches(x, y, list, x, y, z, theta, kappa, length, arcs, w, 0);
        const int v = GrowthRandom();
        z += 10;
        theta += dTheta;
        kappa = float(-1.25 * kappa);
        length = float(((double(v % 2000 - 1000) / 2000.0 + 1.0) * 0.125 + 0.75) * (double(length) * 0.8));
        arcs = ToCount(arcs * 1.15);
        w = width * 0.85f;
    }
}

void GrowFigureB(int kind, BranchTree& list, float x, float y, float z, float theta, float kappa,
                 float length, float width, int n, int N2, float ps, float t, float e) {
    if (n <= 0) return;  // no steps to divide the spine into
    const float rot = theta - kappa;
    const float c = std::cos(rot), s = std::sin(rot);
    float dl = length / float(n), dk = kappa / float(n);
    const float ddl = dl * ps / float(n), ddk = dk * ps / float(n);
    const float cx = -std::cos(kappa) * length, cy = -std::sin(kappa) * length;
    float sides = N2 >= 1 ? float(N2)
                  : N2 == 0 ? 10.0f
                            : std::sqrt(std::fabs(length / float(N2)) + 1.0f) * std::fabs(t) * 3.0f;
    const bool turnWithSpine = kind == 1 || kind == 3;
    const bool mirrorSecond = kind == 2 || kind == 3;

    float R = length, a = kappa;
    for (int64_t k = 0; k <= n && !list.Full(); ++k) {
        const float px = std::cos(a) * R + cx, py = std::sin(a) * R + cy;
        const float qx = px * c - py * s + x, qy = px * s + py * c + y;
        const double sideLength = ((double(n - k) + 0.4) / n) * length * 0.25;
        if (sideLength < 3.0) break;
        float curl = float(k) * e + t;
        if (std::fabs(curl) < 1e-5f) curl = kappa < 0 ? -1e-5f : 1e-5f;
        const float phi = float(double(rot) + kPi / 2 + (turnWithSpine ? 2 * dk + a : kappa));
        const int count = ToCount(sides);
        float ex, ey;
        GrowSubBranches(ex, ey, list, qx, qy, z, phi, curl, float(sideLength), count, width, 3);
        if (mirrorSecond) curl = -curl;
        GrowSubBranches(ex, ey, list, qx, qy, z, float(double(phi) + kPi), curl, float(sideLength), count, width, 3);

        dl -= ddl;
        dk -= ddk;
        z -= 50;
        R -= dl;
        sides = std::fmax(7.0f, sides - 0.5f);
        a -= dk;
    }
}

float DirectionAngleDeg(float x1, float y1, float x2, float y2) {
    if (y1 == y2) return x1 >= x2 ? 90.0f : 270.0f;
    double a = double(std::atan((x1 - x2) / (y1 - y2))) * -57.29579143313326;
    if (y1 > y2) a += 180;
    else if (x2 > x1) a += 360;
    return float(a);
}

}  // namespace frostel
