// The glass look: sprites with their masks turned about their centre with
// bilinear sampling and blended into a frame, the glow that rises while the
// cursor is over the control, and the glass slider's frame. No platform calls.
#pragma once

#include <cstdint>
#include <vector>

#include "Canvas.h"

namespace frostel::widgets {

// A picture with a coverage mask (255 opaque, 0 transparent), rows top down.
struct Sprite {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    std::vector<uint8_t> mask;
    bool empty() const { return width <= 0 || height <= 0; }
};

// `src` turned by `radians` about its centre into a sprite of the same size;
// samples from outside the source are transparent.
Sprite RotateSprite(const Sprite& src, double radians);
// Blends the sprite with its top-left at (x, y), clipped to the frame.
void BlendSprite(Canvas& out, const Sprite& s, int x, int y);
// The same with its centre at (cx, cy).
void BlendSpriteCentred(Canvas& out, const Sprite& s, float cx, float cy);

// The glow rises by 0.06 a frame up to 1 while burning, else falls by 0.02
// down to 0; while above 0 the spin advances by the glow, wrapping at 360.
struct GlowState {
    float glow = 0.0f;
    float spin = 0.0f;
};
void StepGlow(GlowState& g, bool burning);

// The skins of the glass slider.
struct GlassSkins {
    Sprite face;       // the knob's face, turned by minus the angle
    Sprite knob;       // 60 x 60
    Sprite marker;     // 18 x 18
    Sprite highlight;  // 84 x 84; its mask weights the glow
};

struct GlassLook {
    int kind = 1;          // 1 knob, 2 light position, 3 angle
    float angle = 0.0f;    // degrees
    float elevation = 90.0f;
    int inset = 0;         // the marker's distance from the rim
    GlowState glow;
    Rgb background{232, 232, 232};
};
// One frame of the glass slider of the canvas's size.
void RenderGlass(Canvas& out, const GlassLook& look, const GlassSkins& skins);

}  // namespace frostel::widgets
