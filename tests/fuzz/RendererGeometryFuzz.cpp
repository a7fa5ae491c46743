// Fuzz target: the renderer with hostile geometry. Up to 12 triangles over
// up to 24 points in a frame of at most 32 x 32 pixels, in every draw mode
// (0, 1, 2, 3, 6, 8, 9, 10) and both qualities, double-sided or not, with
// back faces, glass and 16-bit frames: coordinates from tiny to 10^16 (never
// NaN), degenerate, inverted and far-off triangles, broken indices. Every
// frame ends within libFuzzer's time-out, writes nothing outside its
// buffers and gives its page blocks back, and triangles wholly away from
// the frame change nothing: drawing the scene without them gives the same
// pixels. (The growth along a work path drops such triangles.) Away means
// more than 8 pixels off the frame, and for the curved modes also more than
// twice the triangle's longest edge in three dimensions, with normals as
// the growers make them: a unit normal in the plane and |nz| <= 1.
//
// The curved modes (2, 9, 10) may walk a few hundred lattice nodes a pixel
// of the clip for each patch: they get at most 4 triangles in frames of at
// most 16 x 16, so that a run stays quick.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PageMemory.h"
#include "Renderer.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "renderer geometry: %s\n", what);
    std::abort();
}

struct Reader {
    const uint8_t* data;
    size_t size, at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    // A 16-bit mantissa times a power of two from 2^-24 to 2^(powers - 25):
    // from fractions of a pixel to about 10^16 either way.
    float Coordinate(int powers = 64) {
        const int16_t m = int16_t(uint16_t(Byte() << 8 | Byte()));
        return std::ldexp(float(m), int(Byte() % powers) - 24);
    }
};

constexpr uint8_t kModes[] = {0, 1, 2, 3, 6, 8, 9, 10};

bool Curved(uint8_t mode) { return mode == 2 || mode == 8 || mode == 9 || mode == 10; }

// Whether the triangle can draw nothing into a w x h frame at the offset.
bool Away(const __Point3ds* c[3], int w, int h, int offX, int offY, bool curved) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300, edge = 0;
    for (int i = 0; i < 3; ++i) {
        const __Point3ds& p = *c[i];
        const __Point3ds& q = *c[(i + 1) % 3];
        x0 = std::min(x0, double(p.x)), x1 = std::max(x1, double(p.x));
        y0 = std::min(y0, double(p.y)), y1 = std::max(y1, double(p.y));
        edge = std::max(edge, std::sqrt(std::pow(double(p.x) - q.x, 2) + std::pow(double(p.y) - q.y, 2) +
                                        std::pow(double(p.z) - q.z, 2)));
    }
    const double margin = 8 + (curved ? 2 * edge : 0);
    return x1 + offX + margin < 0 || x0 + offX - margin > w || y1 + offY + margin < 0 || y0 + offY - margin > h;
}

struct Frame {
    std::vector<uint8_t> dst;
    void Draw(const std::vector<uint8_t>& src, int w, int h, std::vector<__Point3ds>& points,
              std::vector<__Triangle3ds> triangles, int offX, int offY, material3ds* materials, GlassProp* glass,
              light3ds* lights) {
        dst = src;
        std::vector<uint8_t> source = src;
        __RasterScene(dst.data(), source.data(), w, h, w * 4, int(points.size()), int(triangles.size()),
                      triangles.data(), points.data(), offX, offY, 2, materials, nullptr, 2, lights, glass);
        if (source != src) Fail("the source was written");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    const uint8_t mode = kModes[in.Byte() % 8];
    const uint8_t flags = in.Byte();
    const bool curved = mode == 2 || mode == 9 || mode == 10;
    const int most = curved ? 16 : 32;
    const int w = 1 + in.Byte() % most, h = 1 + in.Byte() % most;
    const int triangleCount = 1 + in.Byte() % (curved ? 4 : 12);
    const int pointCount = 1 + in.Byte() % 24;
    const int offX = int8_t(in.Byte()), offY = int8_t(in.Byte());
    const int powers = 64;

    std::vector<__Point3ds> points(static_cast<size_t>(pointCount));
    bool grownNormals = true;
    for (__Point3ds& p : points) {
        p = __Point3ds{};
        p.x = in.Coordinate(powers), p.y = in.Coordinate(powers), p.z = in.Coordinate(powers);
        const uint8_t kind = in.Byte();
        p.hasNormal = kind & 1;
        p.hasTexCoords = (kind >> 1) & 1;
        if (kind & 4) {
            // Any normal, zero and huge ones among them.
            p.nx = in.Coordinate(), p.ny = in.Coordinate(), p.nz = in.Coordinate();
            grownNormals = false;
        } else {
            const float a = float(in.Byte()) * 0.0246399f;
            p.nx = std::cos(a), p.ny = std::sin(a), p.nz = float(int(in.Byte()) - 128) / 128.0f;
        }
        p.u = float(in.Byte()) / 255.0f, p.v = float(in.Byte()) / 255.0f;
    }
    std::vector<__Triangle3ds> triangles(static_cast<size_t>(triangleCount));
    for (__Triangle3ds& t : triangles) {
        int32_t* corner[3] = {&t.a, &t.b, &t.c};
        for (int32_t* k : corner) {
            const uint8_t b = in.Byte();
            // Now and then an index out of range.
            *k = b < 250 ? b % pointCount : (b == 250 ? -1 : pointCount + b - 251);
        }
        t.material = uint16_t(in.Byte() % 3);  // 2: past the materials
    }

    const bool deep = (flags >> 6) & 1;
    const int channel = deep ? 2 : 1;
    std::vector<uint8_t> src(size_t(w) * h * 4 * channel);
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 37 + 11);
    if (deep)
        for (size_t i = 1; i < src.size(); i += 2) src[i] &= 0x7F;  // 16-bit values up to 32767
    material3ds materials[2]{};
    for (int m = 0; m < 2; ++m)
        for (int k = 0; k < 3; ++k) {
            materials[m].diffuse[k] = 0.3f + 0.2f * float(m + k);
            materials[m].specular[k] = 1.0f;
        }
    materials[0].shininess = 0.3f, materials[0].shineStrength = 0.7f, materials[1].transparency = -0.4f;
    light3ds lights[2]{};
    lights[0].x = 10, lights[0].y = 5, lights[0].z = 400, lights[0].r = lights[0].g = lights[0].b = 1;
    lights[0].intensity = 1;
    lights[1] = lights[0];
    lights[1].x = -200, lights[1].intensity = 0.5f;
    GlassProp glass[2] = {{1, 1.4f, 6.0f, 30.0f}, {0, 0, 0, 0}};

    __SetDrawMode(mode);
    __SetQuality(flags & 1);
    __SetDubleSide((flags >> 1) & 1);
    __SetDrawBackFaces((flags >> 2) & 1);
    __SetUseMultyRefract(uint8_t((flags >> 4) % 3));
    __SetDeep(deep ? 1 : 0);
    GlassProp* useGlass = (flags >> 3) & 1 ? glass : nullptr;

    const auto live = frostel::GetPageMemoryStats().live;
    Frame all, near;
    all.Draw(src, w, h, points, triangles, offX, offY, materials, useGlass, lights);
    if (!Curved(mode) || grownNormals) {
        std::vector<__Triangle3ds> kept;
        for (const __Triangle3ds& t : triangles) {
            const int32_t index[3] = {t.a, t.b, t.c};
            bool valid = true;
            const __Point3ds* c[3];
            for (int i = 0; i < 3; ++i) {
                valid = valid && index[i] >= 0 && index[i] < pointCount;
                if (valid) c[i] = &points[size_t(index[i])];
            }
            if (!valid || !Away(c, w, h, offX, offY, Curved(mode))) kept.push_back(t);
        }
        if (kept.size() < triangles.size()) {
            near.Draw(src, w, h, points, kept, offX, offY, materials, useGlass, lights);
            if (near.dst != all.dst) Fail("a triangle away from the frame changed it");
        }
    }
    __SetDeep(0);
    __SetDrawBackFaces(0);
    __SetDubleSide(0);
    __SetUseMultyRefract(0);
    if (frostel::GetPageMemoryStats().live != live) Fail("page memory not given back");
    return 0;
}
