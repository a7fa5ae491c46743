// The software renderer: a z-buffered triangle rasteriser with its own pixel
// shader, driven through a flat interface of free functions and global flags.
// A client sets the flags, optionally hands over a z-buffer or a default
// light, and calls __RasterScene once per image with its scene records.
//
// Frames: width x height pixels of four channels (0, 1, 2 colour, 3 alpha),
// bytes (0..255) or, with _Deep set, 16-bit words (0..32768); rows without
// padding, row length counted in channel values (width x 4).
//
// Every record, function and global below is exported by both modules under
// its name; the record layouts are part of that interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// A 3-vector; the kernels hand the shader the pixel's normal in it.
struct __Point {
    float x, y, z;
};

// One vertex. x, y in destination pixels (the call's offset is added when
// drawing), z larger towards the viewer.
struct __Point3ds {
    float x, y, z;
    uint8_t hasTexCoords;  // u, v are valid
    float u, v;
    uint8_t hasNormal;     // the point transforms rotate the normal only when set
    float nx, ny, nz;
};

// One triangle: three indices into the point array; the winding gives the facing.
struct __Triangle3ds {
    int32_t a, b, c;
    uint16_t reserved;  // not read by the renderer
    uint16_t material;  // index into the materials, the textures (4 each) and the glass records
};

// A texture map's parameters inside a material.
struct MapParams3ds {
    char name[16];  // "Bump" for the bump map; empty marks an unused slot for the client
    float amount;
    uint8_t unused20[20];
    float uScale, vScale;
    float uOffset, vOffset;
    uint8_t unused56[216];
};

// Map slots the default shader pairs with the four textures of a material.
enum : int {
    kColorMapSlot = 0,       // texture 0
    kOpacityMapSlot = 2,     // texture 1
    kBumpMapSlot = 3,        // texture 2
    kReflectionMapSlot = 7,  // texture 3
};

struct material3ds {
    char name[20];       // not read by the renderer
    float firstColor[3];  // not read by the default shader
    float diffuse[3];     // 0..1
    float specular[3];    // 0..1
    float shininess;      // the default shader's specular exponent is 100 times this
    float shineStrength;
    float unused64;
    float transparency;   // stored negated: opacity = 1 - clamp(-transparency, 0, 1)
    float unused72;
    float selfIllum;      // 0..1
    uint8_t unused80[24];
    MapParams3ds maps[8];
    uint8_t unused2280[16];
};

// One texture image; four per material (texture k of material m at 4m + k).
struct __Texture {
    uint8_t present;
    int32_t width, height;
    uint8_t* pixels;  // width x height x 4 channels in the texel order: channel 2 feeds colour 0
    uint8_t is16Bit;  // channels are 16-bit words (0..32768)
};

struct light3ds {
    char name[12];  // not read by the renderer
    float x, y, z;  // position in scene coordinates
    float r, g, b;  // 0..1
    float intensity;
    uint8_t unused40[32];
};

// Glass parameters, one per material.
struct GlassProp {
    uint8_t enabled;
    float coefficient;  // refraction coefficient
    float offset;       // refraction offset in pixels
    float aberration;   // chromatic aberration, in hundredths
};

// The shader's view of the previous sample of the same span or patch.
struct __PrevInfo {
    __Point normal;
    uint8_t valid;
    float x, y;  // scene coordinates
    float u, v;
};

// A pixel shader: offset x, y of the frame, the frame drawn into, the source,
// the pixel's scene x, y and depth, the triangle, the materials and their
// count, the colour out (channels 0..2 in 0.._ColorMax), the normal, the
// texture-coordinates flag and u, v, the textures, the lights and their count,
// the previous sample (may be null), the glass records (may be null) and the
// triangle's plane a, b, c, d over frame pixels (z = -(a x + b y + d) / c).
// Returns the opacity 0..1.
typedef float (*RenderOnePixelProc)(float offX, float offY, unsigned char* frame, unsigned char* src, float x,
                                    float y, float z, __Triangle3ds* tri, material3ds* materials,
                                    int materialCount, float& out0, float& out1, float& out2, __Point* normal,
                                    unsigned char useTextures, float u, float v, __Texture* textures,
                                    int lightCount, light3ds* lights, __PrevInfo* prev, GlassProp* glass,
                                    float a, float b, float c, float d);

extern "C" {

// Render state, read and written directly by clients.
extern float* ZBuff;            // one f32 per pixel, larger = nearer; see __SetZBuff
extern int32_t Zwidth, Zheight;  // the z-buffer's size, and the clip size of a frame
extern uint8_t _Deep;            // 1 = 16-bit frames and textures
extern uint8_t _DrawMode;        // 0, 1, 2, 3, 6, 8, 9, 10 draw; any other value draws nothing
extern uint8_t _Quality;         // 1 = anti-aliased edges, filtered textures, composed triangles
extern uint8_t _DrawBackFaces;   // draw the back faces in a first pass
extern uint8_t _DrawBackFaces1;  // 1 while that pass is in progress
extern uint8_t _DubleSide;       // draw both orientations in every pass
extern uint8_t _UseMultyRefract;  // 0, 1 or 2 (2 also draws back faces in the front pass of the fills)
extern uint8_t _UsePhong2;       // second-order normals in the Phong fill (with _Quality)
extern float _WireSize;          // line width of draw modes 1 and 2
extern float _Persp_Val, _Persp_x, _Persp_y, _Persp_Far;  // perspective, see __AddPersp
extern uint8_t _UseGlass, _UseReflection, _UseCustomMats, _UsePersp;  // stored and returned only

// Renders the scene into dst over src (same size and depth). rowLength must be
// width x 4. Allocates its per-frame buffers and, unless a matching z-buffer
// was handed over, its own z-buffer; when memory runs out dst is left as it
// was.
void __RasterScene(uint8_t* dst, uint8_t* src, int width, int height, int rowLength, int pointCount,
                   int triangleCount, __Triangle3ds* triangles, __Point3ds* points, int offX, int offY,
                   int materialCount, material3ds* materials, __Texture* textures, int lightCount,
                   light3ds* lights, GlassProp* glass);

// Fills every triangle with one colour (channel values) at an opacity 0..1;
// no z-buffer, no shader.
void __RasterSolid(uint8_t* dst, int width, int height, int rowLength, int pointCount, int triangleCount,
                   __Triangle3ds* triangles, __Point3ds* points, int offX, int offY, float c0, float c1,
                   float c2, float opacity);

// Draws the edges of every front-facing triangle (all with _DubleSide) as
// anti-aliased lines of one colour into dst of width x height.
void __DrawScenesLineColor(float lineWidth, int c0, int c1, int c2, uint8_t* dst, uint8_t* src, int width,
                           int height, int pointCount, int triangleCount, __Triangle3ds* triangles,
                           __Point3ds* points, int offX, int offY);

void __SetDrawMode(uint8_t value);
uint8_t __GetDrawMode();
void __SetQuality(uint8_t value);  // values of 2 and more store 1
uint8_t __GetQuality();
void __SetDeep(uint8_t value);
uint8_t __GetDeep();
void __SetDrawBackFaces(uint8_t value);
uint8_t __GetDrawBackFaces();
void __SetDubleSide(uint8_t value);
uint8_t __GetDubleSide();
void __SetUseMultyRefract(uint8_t value);
uint8_t __GetUseMultyRefract();
void __SetUsePhong2(uint8_t value);
uint8_t __GetUsePhong2();
void __SetUseGlass(uint8_t value);
uint8_t __GetUseGlass();
void __SetUseReflection(uint8_t value);
uint8_t __GetUseReflection();
void __SetUseCustomMats(uint8_t value);
uint8_t __GetUseCustomMats();
void __SetUsePersp(uint8_t value);
uint8_t __GetUsePersp();

// Hands over a z-buffer (stays the caller's); it is used, not cleared, by
// every frame of its size. Null or a size below 1 clears the handover.
void __SetZBuff(float* buffer, int width, int height);
void __GetZBuff(float*& buffer, int& width, int& height);
// The light used when a scene brings none (caller-owned; null for the built-in one).
void __SetLightDef(light3ds* light);
void __SetDefRenderOnePixel();
void __SetNewRenderOnePixel(RenderOnePixelProc shader);

// Sorts the triangles by the sum of their vertex depths, farthest first.
void __Sort(int triangleCount, __Triangle3ds* triangles, __Point3ds* points);
// Stores the perspective values and divides x, y by 1 - z / far around (x, y).
void __AddPersp(int pointCount, __Point3ds* points, float value, float x, float y, float far);

// Replace *buffer by a new page block at the other depth. The old buffer
// stays the caller's (free it with FreePages when it came from there); on
// failure *buffer is left unchanged.
void __ConvertBYTE16TO8(uint8_t** buffer, int width, int height, int rowLength);
void __ConvertBYTE8TO16(uint8_t** buffer, int width, int height, int rowLength);
// Brings a present texture to the current _Deep the same way.
void __ConvertText(__Texture* texture);

uint8_t __mmx_present();

}  // extern "C"

// Not exported: the module's own watch over a long render.
namespace frostel {

// Called on the thread that called __RasterScene, now and then while it draws
// (the watch itself decides how often it acts), with the work done so far out
// of the whole. Returning false ends the frame early: dst then holds part of
// the scene and RenderWasStopped() is true until the next frame.
using RenderWatch = bool (*)(void* context, int64_t done, int64_t total);
void SetRenderWatch(RenderWatch watch, void* context);  // null: no watch
bool RenderWasStopped();
// True after a frame that found no memory for its buffers and left dst as it
// was, until the next frame.
bool RenderLackedMemory();

// Threads that draw a frame: count >= 1 sets it; 0 takes the environment
// variable FROSTEL_RENDER_THREADS (1 to 256) when it is set, else one per
// processor core. The picture is the same whatever the count.
void SetRenderThreads(int count);
// The count the next frame will use.
int RenderThreads();
// Keeps a frame's threads waiting for the next frame instead of ending them
// with it (the dialog's previews: under some systems starting threads costs
// a small frame more than drawing it). Off ends and joins them.
void KeepRenderThreads(bool keep);
// The threads that wait for frames now.
int RenderThreadsRunning();
// work(i) for every i in [0, count) at once, on the frames' threads and the
// calling one, which runs 0 and the indices of threads that cannot be
// started. The threads end afterwards unless they are kept.
void RunOnRenderThreads(int count, const std::function<void(int index)>& work);

}  // namespace frostel
