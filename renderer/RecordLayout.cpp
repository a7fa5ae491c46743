// The scene records are part of the exported interface: their layout is fixed.
#include <cstddef>

#include "Renderer.h"

static_assert(sizeof(__Point) == 12);

static_assert(sizeof(__Point3ds) == 40);
static_assert(offsetof(__Point3ds, hasTexCoords) == 12);
static_assert(offsetof(__Point3ds, u) == 16);
static_assert(offsetof(__Point3ds, v) == 20);
static_assert(offsetof(__Point3ds, hasNormal) == 24);
static_assert(offsetof(__Point3ds, nx) == 28);
static_assert(offsetof(__Point3ds, nz) == 36);

static_assert(sizeof(__Triangle3ds) == 16);
static_assert(offsetof(__Triangle3ds, material) == 14);

static_assert(sizeof(MapParams3ds) == 272);
static_assert(offsetof(MapParams3ds, amount) == 16);
static_assert(offsetof(MapParams3ds, uScale) == 40);
static_assert(offsetof(MapParams3ds, vOffset) == 52);

static_assert(sizeof(material3ds) == 2296);
static_assert(offsetof(material3ds, firstColor) == 20);
static_assert(offsetof(material3ds, diffuse) == 32);
static_assert(offsetof(material3ds, specular) == 44);
static_assert(offsetof(material3ds, shininess) == 56);
static_assert(offsetof(material3ds, shineStrength) == 60);
static_assert(offsetof(material3ds, transparency) == 68);
static_assert(offsetof(material3ds, selfIllum) == 76);
static_assert(offsetof(material3ds, maps) == 104);

static_assert(sizeof(light3ds) == 72);
static_assert(offsetof(light3ds, x) == 12);
static_assert(offsetof(light3ds, r) == 24);
static_assert(offsetof(light3ds, intensity) == 36);

static_assert(sizeof(GlassProp) == 16);
static_assert(offsetof(GlassProp, coefficient) == 4);
static_assert(offsetof(GlassProp, aberration) == 12);

static_assert(sizeof(__PrevInfo) == 32);
static_assert(offsetof(__PrevInfo, valid) == 12);
static_assert(offsetof(__PrevInfo, x) == 16);
static_assert(offsetof(__PrevInfo, v) == 28);

// The texture keeps the natural layout of each target; these are the 64-bit offsets.
static_assert(offsetof(__Texture, width) == 4);
static_assert(offsetof(__Texture, height) == 8);
#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(sizeof(__Texture) == 32);
static_assert(offsetof(__Texture, pixels) == 16);
static_assert(offsetof(__Texture, is16Bit) == 24);
#endif
