// The scene driver: from the parameter record to a drawn work buffer. It
// builds the emitter (work path, selection or brightness contours, or a
// fixed figure), grows the branches from the seed, turns them into the
// renderer's records and draws them with two lights, one material, a bump
// texture and glass over the source copy.
//
// RunEffect (host/Effect.h) is the entry the write-back calls for every
// render. What follows is open for the dialog and the tests.
#pragma once

#include <cstdint>

#include "FilterParameters.h"
#include "GrowthReach.h"
#include "GrowthTree.h"
#include "Renderer.h"
#include "RunStop.h"
#include "WorkWatch.h"

namespace frostel {

// Emitter Type 3 (automatic) becomes 0 (work path) when the path list has
// segments, else 1 (contours); 0 without a path becomes 1.
void ResolveEmitterType(FilterParameters& p);

// Sanitises the record, builds or reuses the geometry and draws it into
// gWorkRGBA. Failures (memory) go into the host's result word. Every long
// step asks to stop now and then (RunStop.h); a stopped scene keeps no
// geometry of an unfinished growth and frees what it held.
RunStatus BuildAndRenderScene(FilterParameters& p);

// The branch triangles as engine records: three points and one triangle per
// branch, at most `limit` of them, each counted on the watch; every node is
// released either way. With `weights`, also a page block of what drawing
// each triangle costs beside the others (1 << weight). False (nothing
// allocated, counts 0) when memory is short or the watch said stop.
bool BuildEngineMesh(BranchTree& list, int32_t limit, int32_t& pointCount, int32_t& triangleCount,
                     __Point3ds*& points, __Triangle3ds*& triangles, WorkWatch* watch = nullptr,
                     uint8_t** weights = nullptr);
// corner 1, 2 or 3 of a branch triangle.
void SetEnginePoint(__Point3ds& out, const PatternVertex& v, int corner);

// What bounds the reach of the branches grown along an emitter with the
// record's values, for the frame and work buffer as they are now.
GrowthBounds GrowthBoundsFor(const FilterParameters& p);

// The most triangles a scene grows: the growth tree's own budget, which no
// setting of the dialog reaches. A tool that draws many scenes (a fuzz
// target) may lower it; anything at or below 0 restores the default.
void SetSceneTriangleBudget(int32_t budget);

// ---- Scene set-up ----------------------------------------------------------

// The draw mode of a RenderMode value.
uint8_t DrawModeFor(int renderMode);
// The bump map's amount; the preview doubles small values.
float BumpAmount(float bumpPercent, bool preview);
// "LightOne" above the scene at LightAlpha, LightBeta and "Light#2" opposite
// it, slightly below.
void MakeLights(const FilterParameters& p, light3ds lights[2]);
// "Material#0"; the bump map slot only when there is a bump texture.
void MakeMaterial(const FilterParameters& p, bool bump, bool preview, material3ds& m);
// k: work pixels per document pixel (1 / the preview scale).
void MakeGlass(const FilterParameters& p, float k, GlassProp& g);
// The document has a transparency plane (RGB with more than 3 planes, CMYK
// with more than 4).
bool DocumentHasTransparency(int planes, bool cmyk);

// 4-byte pixels into the engine's texel order, (2, 1, 0, 3), at the engine's
// depth; *dst is taken from the page shelf when null (every byte written).
// False when the sizes are bad or memory is short.
bool InterleaveForEngine(uint8_t*& dst, const uint8_t* src, int width, int height, int srcRowBytes);
// The bump texture (3-byte texels, the height first) as 4-byte pixels
// (height, 0, 0, 255) ready for InterleaveForEngine; a page block from the
// shelf, null when memory is short.
uint8_t* ExpandBumpTexels(const uint8_t* texels, int width, int height, int rowBytes);

// A new 30,000-byte page block of 100 x 100 texels of 3 bytes (rows of 300):
// the height map's value, then two zeros. Null when it can't be had.
uint8_t* LoadBumpTexture();
constexpr int kBumpTexelBytes = 3;

// ---- The cache in the parameter record ------------------------------------

// Forgets cache pointers in the record that this loaded module did not
// write (a stale record from an earlier process or module), without freeing
// them.
void TrustOnlyOwnCache(FilterParameters& p);

}  // namespace frostel
