// The frame of a render: buffers, z-buffer, default light, the passes, the
// triangle buffer's composition, sorting, perspective and depth conversion.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "Engine.h"
#include "PageMemory.h"

using frostel::AllocPages;
using frostel::PageBlock;

RenderOnePixelProc RenderOnePixel = __DefRenderOnePixel;
int32_t _ColorMax = 255;
ptrdiff_t _RowLength = 0;
light3ds* _LightDef = nullptr;
uint8_t _OwnLightDef = 0;
uint8_t _OwnZBuff = 0;
uint8_t* _TriangleBuffer = nullptr;
uint8_t* _EdgeColor = nullptr;
uint8_t* _EdgeBackground = nullptr;
uint8_t* _BackgroundCopy = nullptr;
float* _RefractDepth = nullptr;
uint8_t* _TargetBuffer = nullptr;
EngineClip _Clip = {0, 0, 0, 0};
EngineClip _Dirty = {0, 0, 0, 0};

namespace {

light3ds gDefaultLight = {"", 200.0f, 200.0f, 1000.0f, 1.0f, 1.0f, 1.0f, 1.0f, {}};

struct Watch {
    frostel::RenderWatch watch = nullptr;
    void* context = nullptr;
    bool watching = false;  // only __RasterScene's frames are watched
    bool stopped = false;
    int64_t base = 0, total = 0;  // the pass's first unit, the frame's units
} gWatch;

void EndWatchedFrame() { gWatch.watching = false; }

void FillFarthest(float* depth, size_t count) { std::memset(depth, 0xFE, count * sizeof(float)); }

// Sets the channel depth, row length and clip of a frame; false when the
// frame cannot be drawn (no pixels, or rows other than width x 4).
bool BeginFrame(const uint8_t* dst, int width, int height, int rowLength, size_t& pixels) {
    if (dst == nullptr || width <= 0 || height <= 0) return false;
    if (static_cast<int64_t>(rowLength) != static_cast<int64_t>(width) * 4) return false;
    pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    // The largest per-frame buffer holds 8 bytes a pixel.
    if (pixels > std::numeric_limits<size_t>::max() / 8) return false;
    _ColorMax = _Deep ? 32768 : 255;
    _RowLength = rowLength;
    _Clip = {0, 0, width, height};
    return true;
}

bool Composes(uint8_t mode) { return mode == 8 || mode == 9 || ((mode == 3 || mode == 6) && _Quality); }

void DrawPass(const SceneArgs& s) {
    switch (_DrawMode) {
        case 1: __RasterSceneMode1(s); break;
        case 2: __RasterSceneMode2(s); break;
        case 3: __RasterSceneMode3(s); break;
        case 6: __RasterSceneMode6(s); break;
        case 8: __RasterSceneMode8(s); break;
        case 9: __RasterSceneMode9(s); break;
        case 10: __RasterSceneMode10(s); break;
        default: break;
    }
}

}  // namespace

void BeginWatchedFrame(int64_t total) {
    gWatch.watching = true;
    gWatch.stopped = false;
    gWatch.base = 0;
    gWatch.total = total;
}

bool KeepDrawing(int64_t done) {
    if (gWatch.stopped) return false;
    if (!gWatch.watching || gWatch.watch == nullptr) return true;
    if (!gWatch.watch(gWatch.context, gWatch.base + done, gWatch.total)) gWatch.stopped = true;
    return !gWatch.stopped;
}

namespace frostel {

void SetRenderWatch(RenderWatch watch, void* context) {
    gWatch.watch = watch;
    gWatch.context = context;
}

bool RenderWasStopped() { return gWatch.stopped; }

}  // namespace frostel

bool TriangleCorners(int pointCount, const __Point3ds* points, const __Triangle3ds& t, const __Point3ds* out[3]) {
    const int32_t index[3] = {t.a, t.b, t.c};
    for (int i = 0; i < 3; ++i) {
        if (index[i] < 0 || index[i] >= pointCount) return false;
        const __Point3ds& p = points[index[i]];
        if (!IsFinite3(p.x, p.y, p.z)) return false;
        out[i] = &p;
    }
    return true;
}

bool TriangleCorners(const SceneArgs& s, const __Triangle3ds& t, const __Point3ds* out[3]) {
    return TriangleCorners(s.pointCount, s.points, t, out);
}

void __ClearTriangleRect(int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, Zwidth), y1 = std::min(y1, Zheight);
    if (x0 >= x1 || _TriangleBuffer == nullptr) return;
    const size_t channelBytes = _Deep ? 2 : 1;
    for (int y = y0; y < y1; ++y)
        std::memset(_TriangleBuffer + PixelIndex(x0, y) * channelBytes, 0, 4 * channelBytes * (x1 - x0));
}

namespace {

template <typename T>
inline int Load(const uint8_t* frame, ptrdiff_t index) {
    T v;
    std::memcpy(&v, frame + sizeof(T) * index, sizeof(T));
    return v;
}
template <typename T>
inline void Store(uint8_t* frame, ptrdiff_t index, int value) {
    const T v = static_cast<T>(value);
    std::memcpy(frame + sizeof(T) * index, &v, sizeof(T));
}

// The composition at one channel width (bytes, or 16-bit words).
template <typename T>
void ComposeRect(uint8_t* dst, int x0, int y0, int x1, int y1) {
    const int cm = _ColorMax;
    // Colours further apart than this belong to different surfaces.
    const int newEdge = sizeof(T) == 2 ? 20 * 256 : 20;
    const uint8_t* T_ = _TriangleBuffer;
    uint8_t* L = _EdgeColor;
    uint8_t* B = _EdgeBackground;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const ptrdiff_t i = PixelIndex(x, y);
            const int a = Load<T>(T_, i + 3);
            if (a <= 0) continue;
            int t[3];
            for (int k = 0; k < 3; ++k) t[k] = Load<T>(T_, i + k);
            if (a >= cm) {
                for (int k = 0; k < 3; ++k) {
                    Store<T>(dst, i + k, t[k]);
                    Store<T>(L, i + k, t[k]);
                    Store<T>(B, i + k, t[k]);
                }
                Store<T>(dst, i + 3, cm);
                continue;
            }
            const int dstAlpha = Load<T>(dst, i + 3);
            if (dstAlpha == 0) {
                for (int k = 0; k < 3; ++k) Store<T>(dst, i + k, t[k]);
                Store<T>(dst, i + 3, a);
                continue;
            }
            int difference = 0;
            for (int k = 0; k < 3; ++k) difference = std::max(difference, std::abs(Load<T>(L, i + k) - t[k]));
            int coverage, background[3];
            const int edgeAlpha = Load<T>(L, i + 3);
            if (edgeAlpha == 0 || difference >= newEdge) {
                for (int k = 0; k < 3; ++k) {
                    background[k] = Load<T>(dst, i + k);
                    Store<T>(B, i + k, background[k]);
                    Store<T>(L, i + k, t[k]);
                }
                Store<T>(L, i + 3, a);
                coverage = a;
            } else {
                // The same surface's edge again: blend once over what lay under it.
                coverage = std::max(edgeAlpha, a);
                if (edgeAlpha < a) Store<T>(L, i + 3, a);
                for (int k = 0; k < 3; ++k) background[k] = Load<T>(B, i + k);
            }
            const float f = static_cast<float>(coverage) / static_cast<float>(cm);
            for (int k = 0; k < 3; ++k) {
                const float v = f * t[k] + (1 - f) * background[k];
                Store<T>(dst, i + k, static_cast<int>(Clamp(v, 0.0f, static_cast<float>(cm))));
            }
            Store<T>(dst, i + 3, std::max(coverage, dstAlpha));
        }
}

}  // namespace

void __ComposeTriangleRect(uint8_t* dst, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, Zwidth), y1 = std::min(y1, Zheight);
    if (_TriangleBuffer == nullptr) return;
    if (_Deep)
        ComposeRect<uint16_t>(dst, x0, y0, x1, y1);
    else
        ComposeRect<uint8_t>(dst, x0, y0, x1, y1);
}

extern "C" {

void __RasterScene(uint8_t* dst, uint8_t* src, int width, int height, int rowLength, int pointCount,
                   int triangleCount, __Triangle3ds* triangles, __Point3ds* points, int offX, int offY,
                   int materialCount, material3ds* materials, __Texture* textures, int lightCount,
                   light3ds* lights, GlassProp* glass) {
    size_t pixels;
    gWatch.stopped = false;
    if (src == nullptr || !BeginFrame(dst, width, height, rowLength, pixels)) return;
    const SceneArgs s{dst,     src,  width,        height,    pointCount, triangleCount, triangles, points,
                      offX,    offY, materialCount, materials, textures,  lightCount,    lights,    glass};

    if (_DrawMode == 0) {
        // The inverted preview edges never draw back faces, now or later.
        _DrawBackFaces1 = 0;
        _DrawBackFaces = 0;
        BeginWatchedFrame(triangleCount);
        __RasterSceneMode0(s);
        EndWatchedFrame();
        _OwnZBuff = 0;
        return;
    }

    // Every buffer is taken before the first pixel is drawn, so that running
    // out of memory leaves dst as it was.
    const size_t frameBytes = pixels * (_Deep ? 8 : 4);
    const bool handedOver = ZBuff != nullptr && Zwidth == width && Zheight == height;
    PageBlock ownDepth, triangle, edgeColor, edgeBackground, backgroundCopy, refractDepth;
    if (!handedOver) {
        ownDepth = PageBlock(pixels * sizeof(float));
        if (!ownDepth) return;
        FillFarthest(ownDepth.as<float>(), pixels);
    }
    if (Composes(_DrawMode)) {
        triangle = PageBlock(frameBytes);
        edgeColor = PageBlock(frameBytes);
        edgeBackground = PageBlock(frameBytes);
        if (!triangle || !edgeColor || !edgeBackground) return;
    }
    // Only glass reads the background copy and the refraction depths.
    if (glass != nullptr && materialCount > 0) {
        backgroundCopy = PageBlock(frameBytes);
        refractDepth = PageBlock(pixels * sizeof(float));
        if (!backgroundCopy || !refractDepth) return;
        std::memcpy(backgroundCopy.get(), src, frameBytes);
        FillFarthest(refractDepth.as<float>(), pixels);
    }

    // A handed-over z-buffer of another size stays the caller's and comes back after the frame.
    float* const callerDepth = ZBuff;
    const int32_t callerWidth = Zwidth, callerHeight = Zheight;
    if (ownDepth) {
        ZBuff = ownDepth.as<float>();
        Zwidth = width;
        Zheight = height;
    }
    _OwnZBuff = ownDepth ? 1 : 0;
    _OwnLightDef = (_LightDef == nullptr && (lightCount <= 0 || lights == nullptr)) ? 1 : 0;
    if (_OwnLightDef) _LightDef = &gDefaultLight;
    _TargetBuffer = dst;
    _TriangleBuffer = triangle.as<uint8_t>();
    _EdgeColor = edgeColor.as<uint8_t>();
    _EdgeBackground = edgeBackground.as<uint8_t>();
    _BackgroundCopy = backgroundCopy.as<uint8_t>();
    _RefractDepth = refractDepth.as<float>();
    const ShaderFrame shaderFrame(s);

    _DrawBackFaces1 = _DrawBackFaces ? 1 : 0;
    BeginWatchedFrame(int64_t(std::max(triangleCount, 0)) * (_DrawBackFaces1 ? 2 : 1));
    DrawPass(s);
    if (_DrawBackFaces1 && !gWatch.stopped) {
        // What the back faces produced is what the front faces refract.
        if (_BackgroundCopy != nullptr) std::memcpy(_BackgroundCopy, dst, frameBytes);
        _DrawBackFaces1 = 0;
        if (_OwnZBuff) FillFarthest(ZBuff, pixels);
        gWatch.base = std::max(triangleCount, 0);
        DrawPass(s);
    }
    _DrawBackFaces1 = 0;
    EndWatchedFrame();

    _TargetBuffer = _TriangleBuffer = _EdgeColor = _EdgeBackground = _BackgroundCopy = nullptr;
    _RefractDepth = nullptr;
    if (_OwnZBuff) {
        ZBuff = callerDepth;
        if (callerDepth != nullptr) Zwidth = callerWidth, Zheight = callerHeight;
    }
    if (_OwnLightDef) _LightDef = nullptr;
    _OwnLightDef = 0;
    _OwnZBuff = 0;
}

void __RasterSolid(uint8_t* dst, int width, int height, int rowLength, int pointCount, int triangleCount,
                   __Triangle3ds* triangles, __Point3ds* points, int offX, int offY, float c0, float c1,
                   float c2, float opacity) {
    size_t pixels;
    if (!BeginFrame(dst, width, height, rowLength, pixels)) return;
    const SceneArgs s{dst, nullptr, width, height, pointCount, triangleCount, triangles, points,
                      offX, offY,   0,     nullptr, nullptr,   0,          nullptr,   nullptr};
    __RasterSolidTriangles(s, c0, c1, c2, opacity);
}

void __DrawScenesLineColor(float lineWidth, int c0, int c1, int c2, uint8_t* dst, uint8_t* src, int width,
                           int height, int pointCount, int triangleCount, __Triangle3ds* triangles,
                           __Point3ds* points, int offX, int offY) {
    size_t pixels;
    if (width > std::numeric_limits<int>::max() / 4 || !BeginFrame(dst, width, height, width * 4, pixels)) return;
    const SceneArgs s{dst, src, width, height, pointCount, triangleCount, triangles, points,
                      offX, offY, 0,   nullptr, nullptr,   0,          nullptr,   nullptr};
    __RasterLineColorTriangles(s, lineWidth, c0, c1, c2);
}

void __Sort(int triangleCount, __Triangle3ds* triangles, __Point3ds* points) {
    if (triangleCount <= 0 || triangles == nullptr) return;
    // Depths are taken once; a broken triangle sorts first. Equal depths keep
    // their order, so both modules sort alike.
    struct Keyed {
        float depth;
        __Triangle3ds triangle;
    };
    PageBlock keys(sizeof(Keyed) * static_cast<size_t>(triangleCount));
    Keyed* k = keys.as<Keyed>();
    if (k == nullptr) return;
    int pointCount = points != nullptr ? std::numeric_limits<int>::max() : 0;
    for (int i = 0; i < triangleCount; ++i) k[i] = {__TriangleDepth(triangles[i], points, pointCount), triangles[i]};
    std::stable_sort(k, k + triangleCount,
                     [](const Keyed& a, const Keyed& b) { return __SortCompare(a.depth, b.depth) < 0; });
    for (int i = 0; i < triangleCount; ++i) triangles[i] = k[i].triangle;
}

void __AddPersp(int pointCount, __Point3ds* points, float value, float x, float y, float far) {
    _Persp_Val = value;
    _Persp_x = x;
    _Persp_y = y;
    _Persp_Far = far;
    if (far == 0.0f || value == 0.0f || points == nullptr) return;
    for (int i = 0; i < pointCount; ++i) {
        __Point3ds& p = points[i];
        float f = 1.0f - p.z / far;
        if (std::fabs(f) < 1e-8f) f = f < 0.0f ? -1e-8f : 1e-8f;
        p.x = (p.x - _Persp_x) / f + _Persp_x;
        p.y = (p.y - _Persp_y) / f + _Persp_y;
    }
}

void __ConvertBYTE16TO8(uint8_t** buffer, int width, int height, int rowLength) {
    if (buffer == nullptr || *buffer == nullptr || width <= 0 || height <= 0 || rowLength < width) return;
    const size_t n = static_cast<size_t>(height) * static_cast<size_t>(rowLength);
    uint8_t* out = static_cast<uint8_t*>(AllocPages(n));
    if (out == nullptr) return;
    const uint8_t* in = *buffer;
    for (size_t i = 0; i < n; ++i) {
        uint16_t w;
        std::memcpy(&w, in + 2 * i, 2);
        out[i] = static_cast<uint8_t>(std::min<uint32_t>((static_cast<uint32_t>(w) * 255 + 16384) >> 15, 255));
    }
    *buffer = out;
}

void __ConvertBYTE8TO16(uint8_t** buffer, int width, int height, int rowLength) {
    if (buffer == nullptr || *buffer == nullptr || width <= 0 || height <= 0 || rowLength < width) return;
    const size_t n = static_cast<size_t>(height) * static_cast<size_t>(rowLength);
    if (n > std::numeric_limits<size_t>::max() / 2) return;
    uint8_t* out = static_cast<uint8_t*>(AllocPages(2 * n));
    if (out == nullptr) return;
    const uint8_t* in = *buffer;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t w = static_cast<uint16_t>(((static_cast<uint32_t>(in[i]) << 15) + 128) / 255);
        std::memcpy(out + 2 * i, &w, 2);
    }
    *buffer = out;
}

void __ConvertText(__Texture* texture) {
    if (texture == nullptr || !texture->present || texture->pixels == nullptr) return;
    if (texture->width <= 0 || texture->height <= 0 || texture->width > std::numeric_limits<int>::max() / 4) return;
    const int rowLength = texture->width * 4;
    uint8_t* pixels = texture->pixels;
    if (!_Deep && texture->is16Bit) {
        __ConvertBYTE16TO8(&pixels, texture->width, texture->height, rowLength);
        if (pixels == texture->pixels) return;
        texture->is16Bit = 0;
    } else if (_Deep && !texture->is16Bit) {
        __ConvertBYTE8TO16(&pixels, texture->width, texture->height, rowLength);
        if (pixels == texture->pixels) return;
        texture->is16Bit = 1;
    }
    texture->pixels = pixels;
}

}  // extern "C"

int __SortCompare(float depthA, float depthB) {
    if (depthB > depthA) return -1;
    if (depthA > depthB) return 1;
    return 0;
}

float __TriangleDepth(const __Triangle3ds& t, const __Point3ds* points, int pointCount) {
    const __Point3ds* c[3];
    if (points == nullptr || !TriangleCorners(pointCount, points, t, c)) return -std::numeric_limits<float>::infinity();
    const float sum = c[0]->z + c[1]->z + c[2]->z;
    return std::isnan(sum) ? -std::numeric_limits<float>::infinity() : sum;
}

float __TriangleArea2D(const float* points, int i0, int i1, int i2) {
    const float* a = points + 3 * i0;
    const float* b = points + 3 * i1;
    const float* c = points + 3 * i2;
    const float cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    return std::fabs(cross) * 0.5f;
}
