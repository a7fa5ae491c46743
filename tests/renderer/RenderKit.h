// Scenes, frames and a probe shader for the renderer's tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Renderer.h"

namespace rtest {

struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> px;
    Rgba() = default;
    Rgba(int w, int h, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0, uint8_t a = 0) : width(w), height(h), px(size_t(w) * h * 4) {
        for (size_t i = 0; i < px.size(); i += 4) px[i] = r, px[i + 1] = g, px[i + 2] = b, px[i + 3] = a;
    }
    uint8_t* at(int x, int y) { return &px[(size_t(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * width + x) * 4]; }
    bool operator==(const Rgba& o) const { return width == o.width && height == o.height && px == o.px; }
};

// A checkerboard of 8-pixel squares, opaque.
inline Rgba Checker(int w, int h) {
    Rgba r(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t v = ((x / 8 + y / 8) & 1) ? 200 : 60;
            uint8_t* p = r.at(x, y);
            p[0] = v, p[1] = uint8_t(v / 2), p[2] = uint8_t(255 - v), p[3] = 255;
        }
    return r;
}

inline __Point3ds Vertex(float x, float y, float z, float nx = 0, float ny = 0, float nz = 1) {
    __Point3ds p{};
    p.x = x, p.y = y, p.z = z;
    p.hasTexCoords = 1;
    p.hasNormal = 1;
    p.nx = nx, p.ny = ny, p.nz = nz;
    return p;
}

struct Scene {
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;
    std::vector<material3ds> materials;
    std::vector<__Texture> textures;
    std::vector<light3ds> lights;
    std::vector<GlassProp> glass;
    int offX = 0, offY = 0;

    // A triangle facing the viewer (the winding the renderer treats as front).
    int AddTriangle(__Point3ds a, __Point3ds b, __Point3ds c, uint16_t material = 0) {
        const int base = int(points.size());
        points.push_back(a), points.push_back(b), points.push_back(c);
        __Triangle3ds t{};
        t.a = base, t.b = base + 1, t.c = base + 2;
        t.material = material;
        triangles.push_back(t);
        return int(triangles.size()) - 1;
    }
    // Front-facing whatever the order of the corners is given in.
    int AddFront(__Point3ds a, __Point3ds b, __Point3ds c, uint16_t material = 0) {
        const float cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        return cross > 0 ? AddTriangle(a, b, c, material) : AddTriangle(a, c, b, material);
    }
    void AddMaterial(float r, float g, float b) {
        material3ds m{};
        m.diffuse[0] = r, m.diffuse[1] = g, m.diffuse[2] = b;
        m.specular[0] = m.specular[1] = m.specular[2] = 1.0f;
        m.shininess = 0.3f;
        m.shineStrength = 0.5f;
        materials.push_back(m);
        textures.resize(4 * materials.size());
    }
    void AddLight(float x, float y, float z, float intensity = 1.0f) {
        light3ds l{};
        l.x = x, l.y = y, l.z = z;
        l.r = l.g = l.b = 1.0f;
        l.intensity = intensity;
        lights.push_back(l);
    }
};

// A dome of triangles: a fan around a raised centre, normals of a sphere.
inline Scene Dome(float radius, int segments, float cx, float cy) {
    Scene s;
    s.offX = int(cx), s.offY = int(cy);
    auto point = [&](float x, float y, float z) {
        const float len = std::sqrt(x * x + y * y + z * z);
        __Point3ds p = Vertex(x, y, z, x / len, y / len, z / len);
        p.u = 0.5f + x / (2 * radius), p.v = 0.5f + y / (2 * radius);
        return p;
    };
    const __Point3ds centre = point(0, 0, radius);
    for (int i = 0; i < segments; ++i) {
        const float a0 = 6.2831853f * float(i) / float(segments), a1 = 6.2831853f * float(i + 1) / float(segments);
        const float r = radius * 0.92f, z = radius * 0.39f;
        s.AddFront(centre, point(r * std::cos(a0), r * std::sin(a0), z), point(r * std::cos(a1), r * std::sin(a1), z));
    }
    s.AddMaterial(0.25f, 0.55f, 0.9f);
    s.materials[0].shininess = 0.3f;
    s.materials[0].shineStrength = 0.6f;
    s.AddLight(-150, -150, 500);
    s.AddLight(200, 100, 300, 0.4f);
    return s;
}

// Draws the scene into dst over src with the current render flags.
inline void Render(Rgba& dst, const Rgba& src, Scene& s) {
    __RasterScene(dst.px.data(), const_cast<uint8_t*>(src.px.data()), dst.width, dst.height, dst.width * 4,
                  int(s.points.size()), int(s.triangles.size()), s.triangles.data(), s.points.data(), s.offX,
                  s.offY, int(s.materials.size()), s.materials.empty() ? nullptr : s.materials.data(),
                  s.textures.empty() ? nullptr : s.textures.data(), int(s.lights.size()),
                  s.lights.empty() ? nullptr : s.lights.data(), s.glass.empty() ? nullptr : s.glass.data());
}

// Render flags of the tests' own choosing, restored afterwards.
struct Flags {
    uint8_t mode, quality, deep, back, back1, duble, multi, phong2;
    float wire, persp[4];
    Flags()
        : mode(_DrawMode), quality(_Quality), deep(_Deep), back(_DrawBackFaces), back1(_DrawBackFaces1),
          duble(_DubleSide), multi(_UseMultyRefract), phong2(_UsePhong2), wire(_WireSize),
          persp{_Persp_Val, _Persp_x, _Persp_y, _Persp_Far} {}
    ~Flags() {
        _DrawMode = mode, _Quality = quality, _Deep = deep, _DrawBackFaces = back, _DrawBackFaces1 = back1;
        _DubleSide = duble, _UseMultyRefract = multi, _UsePhong2 = phong2, _WireSize = wire;
        _Persp_Val = persp[0], _Persp_x = persp[1], _Persp_y = persp[2], _Persp_Far = persp[3];
        __SetDefRenderOnePixel();
        __SetZBuff(nullptr, 0, 0);
        __SetLightDef(nullptr);
    }
};

// The probe shader: colours a pixel by its triangle's material index, fully
// opaque, and counts its calls per frame pixel.
struct Probe {
    static inline int width = 0, height = 0;
    static inline std::vector<int> calls;
    static inline std::vector<float> depth;  // last depth handed per pixel
    static inline std::vector<__Point> normal;  // last normal handed per pixel
    static inline int outside = 0;           // calls for pixels off the frame

    static void Install(int w, int h) {
        width = w, height = h;
        calls.assign(size_t(w) * h, 0);
        depth.assign(size_t(w) * h, 0.0f);
        normal.assign(size_t(w) * h, __Point{0, 0, 0});
        outside = 0;
        __SetNewRenderOnePixel(Shade);
    }
    static int Calls(int x, int y) { return calls[size_t(y) * width + x]; }
    static float Shade(float offX, float offY, unsigned char*, unsigned char*, float x, float y, float z,
                       __Triangle3ds* tri, material3ds*, int, float& c0, float& c1, float& c2, __Point* n,
                       unsigned char, float, float, __Texture*, int, light3ds*, __PrevInfo*, GlassProp*, float,
                       float, float, float) {
        const int px = int(std::floor(offX + x + 0.5f)), py = int(std::floor(offY + y + 0.5f));
        if (px < 0 || py < 0 || px >= width || py >= height) {
            ++outside;
        } else {
            const size_t i = size_t(py) * width + px;
            ++calls[i], depth[i] = z;
            if (n != nullptr) normal[i] = *n;
        }
        const int m = tri ? tri->material : 0;
        c0 = float(40 + 50 * m), c1 = float(200 - 30 * m), c2 = 90.0f;
        return 1.0f;
    }
};

// Signed distance from a pixel centre to a triangle: negative inside (minus
// the distance to the nearest edge line), else the distance to the triangle.
inline double SignedDistance(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c, double x, double y) {
    const __Point3ds* v[3] = {&a, &b, &c};
    const double area = (b.x - a.x) * double(c.y - a.y) - (b.y - a.y) * double(c.x - a.x);
    double deepest = -1e300, nearest = 1e300;
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        const __Point3ds& p = *v[i];
        const __Point3ds& q = *v[(i + 1) % 3];
        const double ex = q.x - p.x, ey = q.y - p.y, len = std::hypot(ex, ey);
        const double cross = ex * (y - p.y) - ey * (x - p.x);
        const double outward = (area > 0 ? -cross : cross) / len;
        deepest = std::max(deepest, outward);
        if (outward > 0) inside = false;
        const double t = std::max(0.0, std::min(1.0, ((x - p.x) * ex + (y - p.y) * ey) / (len * len)));
        nearest = std::min(nearest, std::hypot(x - (p.x + t * ex), y - (p.y + t * ey)));
    }
    return inside ? deepest : nearest;
}

}  // namespace rtest
