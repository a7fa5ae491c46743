// Operations a client applies to the renderer's records before drawing:
// moving, scaling and rotating point arrays, converting between the engine's
// 8-bit four-channel frames and images of other channel counts, and binding
// the renderer from a library of its own.
#pragma once

#include <cstdint>

#include "Renderer.h"

extern "C" {

// Counts of 0 or less change nothing. Positions only: normals and texture
// coordinates stay.
void __TranslatePoints(float dx, float dy, float dz, int count, __Point3ds* points);
void __ScalePoints(float factor, int count, __Point3ds* points);

// Rotations by angle (radians) about an axis through the centre given in the
// rotation plane: X turns (y, z), Y turns (x, z), Z turns (x, y). Normals
// turn too, on the points that have one.
void __RotatePointsX(float cy, float cz, float angle, int count, __Point3ds* points);
void __RotatePointsY(float cx, float cz, float angle, int count, __Point3ds* points);
void __RotatePointsZ(float cx, float cy, float angle, int count, __Point3ds* points);

// An 8-bit engine frame (rows of width x 4 bytes) into *target, an image of
// `channels` channels with rows every targetRowBytes: 3 channels take the
// colour times coverage, others the frame's channels as far as they go.
void __RGBAToChannels(uint8_t** target, uint8_t* frame, int width, int height, int targetRowBytes, int channels);

// A new 8-bit engine frame in page memory (the caller frees it) from an image
// of `channels` channels; images without a fourth channel become opaque.
// *frame is null when the sizes are bad or memory is short.
void __ChannelsToRGBA(uint8_t** frame, uint8_t* image, int width, int height, int imageRowBytes, int channels);

}  // extern "C"

namespace frostel {

using RasterSceneFn = decltype(&__RasterScene);

// The renderer's library, once loaded (never unloaded), and its entry; null
// when the library or the name is missing.
extern void* gEngineLibrary;
extern RasterSceneFn gEngineRasterScene;

// Loads "Quorlith.dll" from folder (ending in a path separator) and binds
// __RasterScene from it. True when the entry was found.
bool LoadEngineLibrary(const char* folder);

}  // namespace frostel
