// The per-mode loops over the triangle array: culling, the triangle buffer
// boxes, and the rasterisers that prepare each triangle for its kernel.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Engine.h"

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

// Draws one triangle apart in the triangle buffer, clipped to its box, and
// composes it into the destination, so that shared edges blend without
// seams. The buffer is all zeros between triangles: only what was written is
// composed and cleared again.
template <typename Draw>
void DrawApart(const SceneArgs& s, const __Point3ds* const c[3], bool growByExtent, Draw&& draw) {
    EngineClip box;
    if (!TriangleBox(s, c, growByExtent, box)) return;
    _Dirty = {box.x1, box.y1, box.x0, box.y0};
    const EngineClip frame = _Clip;
    _Clip = box;
    draw(_TriangleBuffer);
    _Clip = frame;
    if (_Dirty.x0 >= _Dirty.x1) return;
    __ComposeTriangleRect(s.dst, _Dirty.x0, _Dirty.y0, _Dirty.x1, _Dirty.y1);
    __ClearTriangleRect(_Dirty.x0, _Dirty.y0, _Dirty.x1, _Dirty.y1);
}

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

// Integer sample counts along s or t: steps no longer than half a pixel,
// bounded so that a patch far larger than the frame cannot stall the render.
int64_t SampleSteps(float length, float perPixel, const SceneArgs& s) {
    if (!(length > 0.0f)) return 1;
    const double limit = 16.0 * (static_cast<double>(s.width) + s.height) + 64.0;
    return static_cast<int64_t>(std::ceil(ClampD(static_cast<double>(length) * perPixel, 1.0, limit)));
}

// One curved edge of the patch (pass 0: b-c, 1: a-c, 2: a-b) as a chain of
// segments about four pixels long.
void __RasterTriangleWirePass(const SceneArgs& s, __Triangle3ds* tri, const CurvedPatch& patch, int pass) {
    const int64_t steps = SampleSteps(std::max(patch.lengthS, patch.lengthT), 0.25f, s);
    const float k = 1.0f / static_cast<float>(steps);
    WireShading w{&s, tri, {0, 0, 1}, {0, 0, -1, 0}};
    float prev[3] = {0, 0, 0};
    for (int64_t i = 0; i <= steps; ++i) {
        const float t = i == steps ? 1.0f : static_cast<float>(i) * k;
        float weight[3] = {0, t, 1 - t};
        if (pass == 1) weight[0] = t, weight[1] = 0;
        if (pass == 2) weight[0] = 1 - t, weight[1] = t, weight[2] = 0;
        float pos[3], n[3];
        patch.Evaluate(weight[0], weight[1], pos, n, nullptr);
        pos[0] += static_cast<float>(s.offX), pos[1] += static_cast<float>(s.offY);
        if (i > 0) {
            Normalize(n);
            if (WireAdmits(n[2])) {
                w.normal = {n[0], n[1], n[2]};
                w.plane[0] = -n[0], w.plane[1] = -n[1], w.plane[2] = -n[2];
                w.plane[3] = n[0] * pos[0] + n[1] * pos[1] + n[2] * pos[2];
                __SpanWire(s.dst, w, prev[0], prev[1], prev[2], pos[0], pos[1], pos[2], _WireSize);
            }
        }
        for (int q = 0; q < 3; ++q) prev[q] = pos[q];
    }
}

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
void __RasterTriangleSubdiv(const SceneArgs& s, __Triangle3ds* tri, const __Point3ds* const c[3]) {
    __Point3ds mid[3];
    const __Point3ds* sub[4][3];
    SplitAtCurvedMidpoints(c, mid, sub);
    for (const auto& t : sub) {
        if (!IsFinite3(t[0]->x, t[0]->y, t[0]->z) || !IsFinite3(t[1]->x, t[1]->y, t[1]->z) ||
            !IsFinite3(t[2]->x, t[2]->y, t[2]->z))
            continue;
        if (!RefractionFacing(FaceNz(*t[0], *t[1], *t[2]))) continue;
        FillTriangle f;
        if (PrepareFill(s, tri, *t[0], *t[1], *t[2], true, f)) __SpanPhong(s, _TriangleBuffer, f);
    }
}

// Samples the patch about half a pixel apart and shades every sample that
// passes the depth test into the triangle buffer.
void __RasterTriangleCurved(const SceneArgs& s, __Triangle3ds* tri, const __Point3ds* const c[3]) {
    CurvedPatch patch;
    patch.Build(*c[0], *c[1], *c[2]);
    const int64_t ns = SampleSteps(patch.lengthS, 2.0f, s), nt = SampleSteps(patch.lengthT, 2.0f, s);
    const float ds = 1.0f / static_cast<float>(ns), dt = 1.0f / static_cast<float>(nt);
    __PrevInfo prev{};
    for (int64_t i = 0; i <= ns; ++i) {
        const float sv = static_cast<float>(i) * ds;
        prev.valid = 0;
        for (int64_t j = 0; j < nt; ++j) {
            const float tv = static_cast<float>(j) * dt;
            if (sv + tv > 1.0f) break;
            float pos[3], n[3], uv[2] = {0, 0};
            patch.Evaluate(sv, tv, pos, n, uv);
            const double fx = pos[0] + s.offX + 0.5, fy = pos[1] + s.offY + 0.5;
            if (!(fx >= _Clip.x0 && fx < _Clip.x1 && fy >= _Clip.y0 && fy < _Clip.y1)) {
                prev.valid = 0;
                continue;
            }
            const int px = static_cast<int>(std::floor(fx)), py = static_cast<int>(std::floor(fy));
            Normalize(n);
            if (!RefractionFacing(n[2])) continue;
            float& depth = ZBuff[static_cast<ptrdiff_t>(py) * Zwidth + px];
            if (!(pos[2] > depth)) {
                prev.valid = 0;
                continue;
            }
            depth = pos[2];
            const float fade = std::fabs(n[2]) < 0.2f ? Clamp((n[2] / 0.2f) * (n[2] / 0.2f), 0.0f, 1.0f) : 1.0f;
            __Point normal{n[0], n[1], n[2]};
            const float fxp = pos[0] + s.offX, fyp = pos[1] + s.offY;
            const float plane[4] = {n[0], n[1], n[2], -(n[0] * fxp + n[1] * fyp + n[2] * pos[2])};
            float color[3];
            const float opacity = RenderOnePixel(
                static_cast<float>(s.offX), static_cast<float>(s.offY), _TriangleBuffer, s.src, pos[0], pos[1],
                pos[2], tri, s.materials, s.materialCount, color[0], color[1], color[2], &normal,
                patch.hasTexCoords ? 1 : 0, uv[0], uv[1], s.textures, s.lightCount, s.lights, &prev, s.glass,
                plane[0], plane[1], plane[2], plane[3]);
            prev.normal = normal;
            prev.x = pos[0], prev.y = pos[1], prev.u = uv[0], prev.v = uv[1];
            prev.valid = 1;
            __BlendPixel(_TriangleBuffer, color[0], color[1], color[2], px, py, opacity * fade);
        }
    }
}

// Walks the triangles in order with their corners; skips broken ones.
template <typename Each>
void ForEachTriangle(const SceneArgs& s, Each&& each) {
    if (s.triangles == nullptr || s.points == nullptr) return;
    for (int i = 0; i < s.triangleCount && KeepDrawing(i); ++i) {
        const __Point3ds* c[3];
        if (!TriangleCorners(s, s.triangles[i], c)) continue;
        each(&s.triangles[i], c);
    }
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
        DrawApart(s, c, true, [&](uint8_t*) { __RasterTriangleSubdiv(s, tri, c); });
    });
}

void __RasterSceneMode9(const SceneArgs& s) {
    ForEachTriangle(s, [&](__Triangle3ds* tri, const __Point3ds* const c[3]) {
        DrawApart(s, c, true, [&](uint8_t*) { __RasterTriangleCurved(s, tri, c); });
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
    CurvedPatch patch;
    patch.Build(*c[0], *c[1], *c[2]);
    const int64_t ns = SampleSteps(patch.lengthS, 2.0f, s), nt = SampleSteps(patch.lengthT, 2.0f, s);
    const float ds = 1.0f / static_cast<float>(ns), dt = 1.0f / static_cast<float>(nt);
    const float cm = static_cast<float>(_ColorMax);
    float color[3] = {cm, 0.0f, 0.0f};
    if (s.materials != nullptr && s.materialCount > 0) {
        const material3ds& m = s.materials[std::min<int>(tri.material, s.materialCount - 1)];
        for (int k = 0; k < 3; ++k) color[k] = cm * m.diffuse[k];
    }
    for (int64_t i = 0; i <= ns; ++i) {
        const float sv = static_cast<float>(i) * ds;
        for (int64_t j = 0; j <= nt; ++j) {
            const float tv = static_cast<float>(j) * dt;
            if (sv + tv > 1.0f) break;
            float pos[3], n[3];
            patch.Evaluate(sv, tv, pos, n, nullptr);
            const double fx = pos[0] + s.offX + 0.5, fy = pos[1] + s.offY + 0.5;
            if (!(fx >= _Clip.x0 && fx < _Clip.x1 && fy >= _Clip.y0 && fy < _Clip.y1)) continue;
            const int px = static_cast<int>(std::floor(fx)), py = static_cast<int>(std::floor(fy));
            Normalize(n);
            if (!(n[2] >= 0.0f)) continue;
            const float a = std::fabs(n[2]);
            if (a * 0.5f > 0.15f) {
                const ptrdiff_t index = PixelIndex(px, py);
                for (int k = 0; k < 4; ++k) __PutChannel(s.dst, index + k, __GetChannel(s.src, index + k));
                continue;
            }
            const float f = a >= 0.15f ? (0.3f - a) / 0.15f : a / 0.15f;
            __BlendPixel(s.dst, color[0], color[1], color[2], px, py, Clamp(f * f, 0.0f, 1.0f));
        }
    }
}
