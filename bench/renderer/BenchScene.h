// The renderer benchmark's fixed scene, shared by our program and the peer:
// 2,500 four-sided crystals (10,000 triangles) with dome-like vertex normals
// scattered over a 1920 x 1080 frame, one material and two lights.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Engine.h"

namespace bench {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kCrystals = 2500;

struct BenchScene {
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;
    material3ds material{};
    light3ds lights[2]{};
    std::vector<uint8_t> background;  // RGBA, a soft diagonal gradient

    BenchScene() {
        uint32_t state = 12345;
        auto rand01 = [&] {
            state = state * 214013u + 2531011u;
            return float((state >> 16) & 0x7FFF) / 32767.0f;
        };
        auto vertex = [](float x, float y, float z, float nx, float ny, float nz) {
            __Point3ds p{};
            p.x = x, p.y = y, p.z = z;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            p.hasNormal = 1;
            p.nx = nx / len, p.ny = ny / len, p.nz = nz / len;
            return p;
        };
        for (int i = 0; i < kCrystals; ++i) {
            const float cx = rand01() * kWidth, cy = rand01() * kHeight;
            const float r = 8.0f + 32.0f * rand01(), squash = 0.5f + 0.5f * rand01();
            const float turn = rand01() * 6.2831853f, base = 50.0f * rand01(), tip = base + 0.8f * r;
            const int first = int(points.size());
            points.push_back(vertex(cx, cy, tip, 0, 0, 1));
            for (int k = 0; k < 4; ++k) {
                const float a = turn + 1.5707963f * float(k);
                const float dx = r * std::cos(a), dy = r * squash * std::sin(a);
                points.push_back(vertex(cx + dx, cy + dy, base, dx, dy, 0.6f * r));
            }
            for (int k = 0; k < 4; ++k) {
                __Triangle3ds t{};
                t.a = first, t.b = first + 1 + (k + 1) % 4, t.c = first + 1 + k;
                const __Point3ds &a = points[t.a], &b = points[t.b], &c = points[t.c];
                if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) < 0) std::swap(t.b, t.c);
                triangles.push_back(t);
            }
        }
        const float diffuse[3] = {0.35f, 0.6f, 0.95f};
        for (int k = 0; k < 3; ++k) {
            material.diffuse[k] = material.firstColor[k] = diffuse[k];
            material.specular[k] = 1.0f;
        }
        material.shininess = 0.25f;
        material.shineStrength = 0.6f;
        material.selfIllum = 0.1f;
        const float light[2][7] = {{300, 200, 800, 1, 1, 1, 1.0f}, {1700, 900, 500, 0.8f, 0.9f, 1, 0.5f}};
        for (int i = 0; i < 2; ++i) {
            lights[i].x = light[i][0], lights[i].y = light[i][1], lights[i].z = light[i][2];
            lights[i].r = light[i][3], lights[i].g = light[i][4], lights[i].b = light[i][5];
            lights[i].intensity = light[i][6];
        }
        background.resize(size_t(kWidth) * kHeight * 4);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* p = &background[(size_t(y) * kWidth + x) * 4];
                p[0] = uint8_t(40 + 60 * x / kWidth), p[1] = uint8_t(30 + 40 * y / kHeight), p[2] = 70, p[3] = 255;
            }
    }
};

// Flat triangle lists for the peer: position and normal per corner.
struct Corner {
    float x, y, z, nx, ny, nz;
};

inline Corner CornerOf(const __Point3ds& p) { return {p.x, p.y, p.z, p.nx, p.ny, p.nz}; }

// Draw modes 3 and 6: the scene's triangles with face or vertex normals.
inline std::vector<Corner> Triangles(const BenchScene& s, bool faceNormals) {
    std::vector<Corner> out;
    for (const __Triangle3ds& t : s.triangles) {
        const __Point3ds* c[3] = {&s.points[t.a], &s.points[t.b], &s.points[t.c]};
        float n[3];
        __FaceNormal(*c[0], *c[1], *c[2], n[0], n[1], n[2]);
        for (const __Point3ds* p : c) {
            Corner k = CornerOf(*p);
            if (faceNormals) k.nx = n[0], k.ny = n[1], k.nz = n[2];
            out.push_back(k);
        }
    }
    return out;
}

// Draw mode 8's surface: each triangle split at its edges' curved midpoints.
inline std::vector<Corner> Subdivided(const BenchScene& s) {
    std::vector<Corner> out;
    for (const __Triangle3ds& t : s.triangles) {
        const __Point3ds* c[3] = {&s.points[t.a], &s.points[t.b], &s.points[t.c]};
        __Point3ds mid[3];
        const __Point3ds* sub[4][3];
        SplitAtCurvedMidpoints(c, mid, sub);
        for (const auto& tri : sub)
            for (const __Point3ds* p : tri) out.push_back(CornerOf(*p));
    }
    return out;
}

// Draw mode 9's surface: the cubic point-normal patch, tessellated n x n.
inline std::vector<Corner> Patches(const BenchScene& s, int n) {
    std::vector<Corner> out;
    for (const __Triangle3ds& t : s.triangles) {
        CurvedPatch patch;
        patch.Build(s.points[t.a], s.points[t.b], s.points[t.c]);
        auto at = [&](int i, int j) {
            float pos[3], nrm[3];
            patch.Evaluate(float(i) / n, float(j) / n, pos, nrm, nullptr);
            return Corner{pos[0], pos[1], pos[2], nrm[0], nrm[1], nrm[2]};
        };
        for (int i = 0; i < n; ++i)
            for (int j = 0; i + j < n; ++j) {
                out.push_back(at(i, j)), out.push_back(at(i + 1, j)), out.push_back(at(i, j + 1));
                if (i + j + 1 < n) out.push_back(at(i + 1, j)), out.push_back(at(i + 1, j + 1)), out.push_back(at(i, j + 1));
            }
    }
    return out;
}

// Draw modes and qualities both programs measure.
constexpr int kModes[] = {3, 6, 8, 9};

}  // namespace bench
