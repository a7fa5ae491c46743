// Inside the renderer: the frame state shared by the loops, kernels and the
// shader, and the helpers they have in common. Not part of the interface.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include <emmintrin.h>

#include "Renderer.h"

// ---- Frame state (valid during one __RasterScene, __RasterSolid or line call)

extern RenderOnePixelProc RenderOnePixel;
extern int32_t _ColorMax;       // 255, or 32768 for 16-bit frames
extern ptrdiff_t _RowLength;    // channel values per frame row (width x 4)
extern light3ds* _LightDef;     // the default light, null when there is none
extern uint8_t _OwnLightDef;
extern uint8_t _OwnZBuff;
extern uint8_t* _TriangleBuffer;  // one triangle drawn apart, composed by __ComposeTriangleRect
// Per pixel, kEdgeChannels channel values: the colour and coverage of the last
// partly covered edge composed there, then the colour that lay under it.
extern uint8_t* _EdgeMemory;
constexpr int kEdgeChannels = 7;
extern uint8_t* _BackgroundCopy;  // the background glass refracts
extern float* _RefractDepth;      // depth of the last glass surface that read a pixel
extern uint8_t* _TargetBuffer;    // the destination of the frame

// Half-open rectangle of pixels.
struct EngineClip {
    int x0, y0, x1, y1;
};
// What every pixel visit of a kernel is clipped to: the band of the frame the
// thread draws, or the cleared box of the triangle buffer while a triangle is
// drawn apart. One per thread; read it once per triangle or row, not per pixel
// (some thread-local storage costs a call per access).
extern thread_local EngineClip _Clip;
// The frame's pixels: __BlendPixel never writes outside them.
extern EngineClip _FrameClip;
// Per frame row, the columns [x0, x1) of the triangle buffer written since its
// last composition (empty when x0 >= x1); everywhere else it holds zeros. A row
// is only ever written by the thread that draws its band.
struct RowSpan {
    int x0, x1;
};
extern RowSpan* _RowDirty;

uint8_t __GetDrawBackFaces1();

// The watch's verdict on going on after `done` of the frame's work units;
// false once it said stop (and from then on until the frame ends). Called on
// the thread that called __RasterScene only.
bool KeepDrawing(int64_t done);
// Work units of the frame: each triangle once per band it reaches, per pass.
void BeginWatchedFrame(int64_t total);

// A per-pixel scratch entry of the curved mode: the lattice sample that won a
// pixel (i + 1, j; i = 0 marks an empty entry).
struct SampleStash {
    uint32_t i, j;
};

// The rows of the frame one thread draws, and the triangles that reach them.
struct BandState {
    const int32_t* triangles;  // indices into the scene's triangles, ascending
    int count;
    int y0, y1;                // rows [y0, y1)
    std::atomic<bool>* stop;   // the frame is to end: set by the watch
    std::atomic<int64_t>* done;  // work units begun in this pass, over all bands
    bool watchHere;            // runs on the calling thread: asks the watch itself
    // The curved mode's winners, stashRows x the frame's width (null elsewhere).
    SampleStash* stash;
    RowSpan* stashSpans;
    int stashRows;
    // The band's triangle buffer, edge memory and depths, each addressed by
    // frame pixel (as PixelIndex has it) but only valid on the band's rows:
    // a thread reuses the same few rows of memory for every band it draws.
    // Null when the frame has none.
    uint8_t* triangle = nullptr;
    uint8_t* edges = nullptr;
    float* depth = nullptr;

    int64_t unpublished = 0;   // units a worker began and has not yet added to done

    // Before each triangle: false once the frame is to end.
    bool Continue() {
        if (stop->load(std::memory_order_relaxed)) return false;
        if (!watchHere) {
            // A counter shared by every core, touched for every small
            // triangle, costs more than drawing it: workers add now and then.
            if (++unpublished == 64) Publish();
            return true;
        }
        const int64_t n = done->fetch_add(1, std::memory_order_relaxed);
        if (watchHere && !KeepDrawing(n)) {
            stop->store(true, std::memory_order_relaxed);
            return false;
        }
        return true;
    }
    bool Stopped() const { return stop->load(std::memory_order_relaxed); }
    void Publish() {
        done->fetch_add(unpublished, std::memory_order_relaxed);
        unpublished = 0;
    }
};

// Starts a thread running work(context); false when none can be had. The
// frame falls back to the threads it got.
using BandThreadStarter = bool (*)(std::thread& thread, void (*work)(void*), void* context);
void SetBandThreadStarter(BandThreadStarter starter);  // null: std::thread
// Rows per band for the next frames; 0: the frame's own choice.
void SetBandRows(int rows);

float __DefRenderOnePixel(float offX, float offY, unsigned char* frame, unsigned char* src, float x, float y,
                          float z, __Triangle3ds* tri, material3ds* materials, int materialCount, float& out0,
                          float& out1, float& out2, __Point* normal, unsigned char useTextures, float u, float v,
                          __Texture* textures, int lightCount, light3ds* lights, __PrevInfo* prev,
                          GlassProp* glass, float a, float b, float c, float d);

// The arguments of one __RasterScene call, handed to the loops unchanged.
struct SceneArgs {
    uint8_t* dst;
    uint8_t* src;
    int width, height;
    int pointCount, triangleCount;
    __Triangle3ds* triangles;
    __Point3ds* points;
    int offX, offY;
    int materialCount;
    material3ds* materials;
    __Texture* textures;
    int lightCount;
    light3ds* lights;
    GlassProp* glass;
    BandState* band = nullptr;  // the band being drawn; null: every triangle, one thread
};

// Per-frame precomputation for the built-in shader: one brightness plane per
// distinct bump texture of the scene's materials. Made before the first
// triangle is drawn and only read while drawing, so drawing threads may share
// it; released when the object goes. Lacking memory, the shader reads the
// texels instead, with the same result.
class ShaderFrame {
public:
    explicit ShaderFrame(const SceneArgs& s);
    ~ShaderFrame();
    ShaderFrame(const ShaderFrame&) = delete;
    ShaderFrame& operator=(const ShaderFrame&) = delete;
};

// ---- Numbers

constexpr float kDepthFill = -1.6947395e38f;  // every byte 0xFE: farther than any scene depth

// NaN-safe: a NaN gives lo.
inline float Clamp(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }
inline double ClampD(double v, double lo, double hi) { return v > lo ? (v < hi ? v : hi) : lo; }
// Floor of v as an int within [lo, hi]; NaN gives lo. The clamped value
// fits an int, so truncation put right is the floor: the C runtime's floor
// is a call, and a slow one on some.
inline int FloorClamp(double v, int lo, int hi) {
    const double c = ClampD(v, lo, hi);
    const int t = static_cast<int>(c);
    return static_cast<double>(t) > c ? t - 1 : t;
}
inline int CeilClamp(double v, int lo, int hi) {
    const double c = ClampD(v, lo, hi);
    const int t = static_cast<int>(c);
    return static_cast<double>(t) < c ? t + 1 : t;
}
// Truncation towards zero as an int, NaN and overflow safe.
inline int TruncClamp(double v, int lo, int hi) { return static_cast<int>(ClampD(v, lo, hi)); }

inline bool IsFinite3(float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

// x / y for floats as a product with y's reciprocal taken once in double.
// The product is within a relative 2^-52 of the true quotient, and no
// quotient of two floats comes closer than 2^-49 to a midpoint between two
// floats, so it rounds to the float division's result, bit for bit.
// fmod(x, n) for a whole n >= 1 without the library's long division: a
// quotient rounded at most one off, put right. Below 2^52 the product k n
// and the difference x - k n are exact, so the result is fmod's, sign of
// zero included.
inline double WholeRemainder(double x, double n) {
    if (!(std::fabs(x) < 4503599627370496.0)) return std::fmod(x, n);  // 2^52; NaN too
    const double k = std::trunc(x / n);
    double r = x - k * n;
    if (x >= 0) {
        if (r < 0) r += n;
        else if (r >= n) r -= n;
    } else {
        if (r > 0) r -= n;
        else if (r <= -n) r += n;
    }
    return r == 0.0 ? std::copysign(0.0, x) : r;
}

inline double Reciprocal(float y) { return 1.0 / static_cast<double>(y); }
inline float DivideBy(float x, double reciprocal) { return static_cast<float>(static_cast<double>(x) * reciprocal); }

// ---- Channels

// The channel value at a channel index: a byte, or a 16-bit word with _Deep.
inline int __GetChannel(const uint8_t* frame, ptrdiff_t index) {
    if (!_Deep) return frame[index];
    uint16_t w;
    std::memcpy(&w, frame + 2 * index, 2);
    return w;
}
inline void __PutChannel(uint8_t* frame, ptrdiff_t index, int value) {
    if (!_Deep) {
        frame[index] = static_cast<uint8_t>(value);
        return;
    }
    const uint16_t w = static_cast<uint16_t>(value);
    std::memcpy(frame + 2 * index, &w, 2);
}
// p moved back by `back` elements, as an address: a band's rows of memory
// addressed by frame pixel, below whose first row nothing is read.
template <typename T>
T* Before(T* p, ptrdiff_t back) {
    return reinterpret_cast<T*>(reinterpret_cast<uintptr_t>(p) - static_cast<uintptr_t>(back) * sizeof(T));
}

// A band's origin in a thread's copy of `rowElements` a row, moved back by
// `back` elements: at the copy's first row, or at its spare second one when
// the first would put the origin on the null address, which means "none".
template <typename T>
T* BandOrigin(T* copy, size_t rowElements, ptrdiff_t back) {
    T* origin = Before(copy, back);
    return origin != nullptr ? origin : Before(copy + rowElements, back);
}

inline ptrdiff_t PixelIndex(int x, int y) { return y * _RowLength + 4 * static_cast<ptrdiff_t>(x); }

// ---- Frame helpers

// The three corners of a triangle, or false when an index is out of range or
// a position is not finite (such a triangle is skipped).
bool TriangleCorners(const SceneArgs& s, const __Triangle3ds& t, const __Point3ds* out[3]);
bool TriangleCorners(int pointCount, const __Point3ds* points, const __Triangle3ds& t, const __Point3ds* out[3]);

// The depth of the plane a x + b y + c z + d = 0 over frame pixels at (x, y),
// or `fallback` for a plane seen edge-on.
inline float PlaneDepth(const float plane[4], float x, float y, float fallback) {
    return std::fabs(plane[2]) >= 0.01f ? -(plane[0] * x + plane[1] * y + plane[3]) / plane[2] : fallback;
}

// The depth test of one triangle's frame pixels against ZBuff; it passes
// always without a z-buffer. The candidate depth is PlaneDepth's, its
// division by c taken once for the triangle, or vertexZ for a plane seen
// edge-on.
class DepthTest {
public:
    DepthTest(const float plane[4], float vertexZ) : DepthTest(plane, vertexZ, ZBuff) {}
    // Against `depth`, addressed as ZBuff (null: no z-buffer).
    DepthTest(const float plane[4], float vertexZ, float* depth)
        : a_(plane[0]), b_(plane[1]), d_(plane[3]), fallback_(vertexZ), r_(Reciprocal(plane[2])),
          edgeOn_(!(std::fabs(plane[2]) >= 0.01f)), z_(depth), w_(Zwidth), h_(Zheight) {}
    // With `write` a passing depth is stored.
    bool operator()(int x, int y, bool write, float& depth) const {
        depth = edgeOn_ ? fallback_ : DivideBy(-(a_ * static_cast<float>(x) + b_ * static_cast<float>(y) + d_), r_);
        if (z_ == nullptr) return true;
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return false;
        float& stored = z_[static_cast<ptrdiff_t>(y) * w_ + x];
        if (!(depth > stored)) return false;
        if (write) stored = depth;
        return true;
    }
    // The first of x .. last in row y whose depth passes, written, with its
    // depth; last + 1 when none does. Four pixels a step, with the very
    // operations of the test above, so that every depth is the same float.
    int NextPass(int x, int last, int y, float& depth) const {
        if (z_ != nullptr && !edgeOn_ && x >= 0 && y >= 0 && y < h_ && last < w_ && last < (1 << 24)) {
            float* row = z_ + static_cast<ptrdiff_t>(y) * w_;
            const float by = b_ * static_cast<float>(y);
            const __m128 a = _mm_set1_ps(a_), b = _mm_set1_ps(by), d = _mm_set1_ps(d_), negate = _mm_set1_ps(-0.0f);
            const __m128d r = _mm_set1_pd(r_);
            const float fx = static_cast<float>(x);
            __m128 xs = _mm_setr_ps(fx, fx + 1.0f, fx + 2.0f, fx + 3.0f);
            for (; x + 3 <= last; x += 4, xs = _mm_add_ps(xs, _mm_set1_ps(4.0f))) {
                const __m128 plane = _mm_xor_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(a, xs), b), d), negate);
                const __m128 lo = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(plane), r));
                const __m128 hi = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(plane, plane)), r));
                const __m128 z = _mm_movelh_ps(lo, hi);
                const int passed = _mm_movemask_ps(_mm_cmpgt_ps(z, _mm_loadu_ps(row + x)));
                if (passed == 0) continue;
                alignas(16) float lanes[4];
                _mm_store_ps(lanes, z);
                const int k = __builtin_ctz(static_cast<unsigned>(passed));
                depth = lanes[k];
                row[x + k] = depth;
                return x + k;
            }
        }
        for (; x <= last; ++x)
            if ((*this)(x, y, true, depth)) return x;
        return last + 1;
    }

private:
    float a_, b_, d_, fallback_;
    double r_;
    bool edgeOn_;
    float* z_;
    int w_, h_;
};

void __ClearTriangleRect(int x0, int y0, int x1, int y1);
void __ComposeTriangleRect(uint8_t* dst, int x0, int y0, int x1, int y1);
// The same with a band's own triangle buffer and edge memory.
void ClearTriangleRect(uint8_t* triangle, int x0, int y0, int x1, int y1);
void ComposeTriangleRect(uint8_t* dst, const uint8_t* triangle, uint8_t* edges, int x0, int y0, int x1, int y1);

int __SortCompare(float depthA, float depthB);
float __TriangleDepth(const __Triangle3ds& t, const __Point3ds* points, int pointCount);
float __TriangleArea2D(const float* points, int i0, int i1, int i2);

// ---- Geometry and raster helpers

// An edge list: one byte triple per polygon edge (start, end, attribute).
typedef uint8_t EdgeTriple[3];

bool __FixTriangleOrder(EdgeTriple* edges, __Point3ds* points);
void __LineEquation(float x1, float y1, float x2, float y2, float& p, float& q, float& r);
void __IntersectPlane(float x0, float y0, float z0, float nx, float ny, float nz, float kx, float ky, float kz,
                      float d, float& x, float& y, float& z);
// Moves a point along n onto the plane through `on` with normal n.
void ProjectOntoTangentPlane(const float point[3], const float on[3], const float n[3], float out[3]);
void __TriangleNormal(const __Point3ds* p, float& nx, float& ny, float& nz);
void __FaceNormal(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c, float& nx, float& ny,
                  float& nz);

struct SpanEdge {
    float p, q, r, pq2, root;
    int start, end;  // the crossing edge's end points (vertex numbers)
    float band;      // band half-width, at least 3
};
float __FindSpanEdge(int n, int k, const __Point3ds* points, const EdgeTriple* edges, int y, SpanEdge& out);
int __FindTopVertex(int n, const __Point3ds* points, const EdgeTriple* edges, float& minY);
void __RotateTriples(int n, int k, EdgeTriple* edges);
void __ProjectPersp(float x, float y, float z, float& ox, float& oy);

// Writes one shaded colour (0.._ColorMax) into the frame with coverage a,
// clipped to the frame; the callers clip to _Clip.
void __BlendPixel(uint8_t* frame, float c0, float c1, float c2, int x, int y, float a);
// The same into a triangle buffer, widening its row's written span.
void BlendTriangleBufferPixel(uint8_t* frame, float c0, float c1, float c2, int x, int y, float a);

// The write of __BlendPixel at the pixel whose first channel is at index i,
// for channels of type T, with the colour already clamped to 0..cm and a > 0.
template <typename T>
inline void BlendChannels(uint8_t* frame, ptrdiff_t i, const float c[3], float a, float cm) {
    uint8_t* px = frame + i * static_cast<ptrdiff_t>(sizeof(T));
    T v[4];
    if (a >= 1.0f) {
        // Covered: what was there is not read.
        for (int k = 0; k < 3; ++k) v[k] = static_cast<T>(static_cast<int>(c[k]));
        v[3] = static_cast<T>(static_cast<int>(cm));
        std::memcpy(px, v, sizeof v);
        return;
    }
    std::memcpy(v, px, sizeof v);
    if (v[3] == 0) {
        for (int k = 0; k < 3; ++k) v[k] = static_cast<T>(static_cast<int>(c[k]));
        v[3] = static_cast<T>(static_cast<int>(std::min(cm, cm * a)));
    } else {
        const int oldAlpha = v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = static_cast<T>(static_cast<int>(Clamp(static_cast<float>(v[k]) * (1 - a) + c[k] * a, 0.0f, cm)));
        v[3] = static_cast<T>(static_cast<int>(std::max(cm * a, static_cast<float>(oldAlpha))));
    }
    std::memcpy(px, v, sizeof v);
}

// Coverage 0..1 of a pixel centre at distance |p x + q y + r| / root from a
// line, for a line of half-width w (a one-pixel ramp at its border).
float LineCoverage(float p, float q, float r, float root, float x, float y, float w);
// The same for the segment (ex0, ey0)-(ex1, ey1), with round caps past its ends.
float SegmentCoverage(float p, float q, float r, float pq2, float root, float x, float y, float w, float ex0,
                      float ey0, float ex1, float ey1);
// Blend the colour at pixel (x, y) by that coverage x opacity; return the coverage.
float __DrawEdgePixel(uint8_t* frame, float opacity, float c0, float c1, float c2, float p, float q, float r,
                      float pq2, float root, int x, int y, float w, float ex0, float ey0, float ex1, float ey1);
float __BlendEdgeCoverage(uint8_t* frame, float opacity, float c0, float c1, float c2, float p, float q, float r,
                          float root, int x, int y, float w);

// ---- Span kernels

// A triangle prepared for the fill kernels: corners in frame pixels, the
// plane over frame pixels (a^2 + b^2 + c^2 = 1), the triangle's record.
struct FillTriangle {
    __Point3ds v[3];
    float plane[4];
    float minY;
    __Point faceNormal;  // unit, towards the viewer for a front face: the flat kernel's normal
    __Triangle3ds* tri;
};

void __SpanFlat(const SceneArgs& s, uint8_t* frame, const FillTriangle& t);
void __SpanPhong(const SceneArgs& s, uint8_t* frame, const FillTriangle& t);
void __SpanSolid(uint8_t* frame, const FillTriangle& t, float c0, float c1, float c2, float opacity);

// A shaded thick segment in frame pixels; the normal and plane go to the shader.
struct WireShading {
    const SceneArgs* scene;
    __Triangle3ds* tri;
    __Point normal;
    float plane[4];
};
void __SpanWire(uint8_t* frame, const WireShading& shading, float x0, float y0, float z0, float x1, float y1,
                float z1, float width);
void __SpanLineColor(uint8_t* frame, float x0, float y0, float x1, float y1, float width, int c0, int c1, int c2);
void __DrawLineInverted(uint8_t* dst, const uint8_t* src, int width, int height, float x0, float y0, float x1,
                        float y1);
void __DrawLineColor(uint8_t* dst, int width, int height, float x0, float y0, float x1, float y1, int c0, int c1,
                     int c2);

struct Box {
    float x0, y0, x1, y1;
};
Box __TriangleBBox(const __Point3ds* const corners[3]);

// Mode 8's split: the edge midpoints moved onto the surface the vertex
// normals describe (mid[0] on a-b, mid[1] on b-c, mid[2] on c-a) and the four
// sub-triangles over them.
void SplitAtCurvedMidpoints(const __Point3ds* const corners[3], __Point3ds mid[3], const __Point3ds* sub[4][3]);

// ---- Curved point-normal patch (draw modes 2, 9 and 10)

struct CurvedPatch {
    // Control points in the order 300, 030, 003, 210, 120, 021, 012, 102, 201, 111.
    float p[10][3];
    float n[10][3];
    float uv[10][2];
    bool hasTexCoords;
    float lengthS, lengthT;  // bounds of the patch's extent along s and t

    void Build(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c);
    // s, t, 1 - s - t are the weights of a, b, c.
    void Evaluate(float s, float t, float pos[3], float normal[3], float uv[2]) const;
    // The same in double precision; uv may be null.
    void EvaluateD(double s, double t, double pos[3], double normal[3], double uv[2]) const;
    // The box of the control points in x and y: the patch lies within it.
    // False when a control point is not finite.
    bool Hull(double& x0, double& y0, double& x1, double& y1) const;
};

void __SpanCurved(const SceneArgs& s, const __Triangle3ds& tri, const __Point3ds* const corners[3]);

// ---- Draw modes

// The frame rows [y0, y1] that the triangle at `index` can write to in the
// current draw mode; false when it reaches none (or is broken). Decides which
// bands draw it.
bool TriangleRowReach(const SceneArgs& s, int index, int& y0, int& y1);
// The frame columns [x0, x1) it can write to, or read the frame's buffers at:
// its box in the modes that draw each triangle apart, else every column.
// False when it reaches none.
bool TriangleColumnReach(const SceneArgs& s, int index, int& x0, int& x1);

void __RasterSceneMode0(const SceneArgs& s);
void __RasterSceneMode1(const SceneArgs& s);
void __RasterSceneMode2(const SceneArgs& s);
void __RasterSceneMode3(const SceneArgs& s);
void __RasterSceneMode6(const SceneArgs& s);
void __RasterSceneMode8(const SceneArgs& s);
void __RasterSceneMode9(const SceneArgs& s);
void __RasterSceneMode10(const SceneArgs& s);
void __RasterSolidTriangles(const SceneArgs& s, float c0, float c1, float c2, float opacity);
void __RasterLineColorTriangles(const SceneArgs& s, float lineWidth, int c0, int c1, int c2);
