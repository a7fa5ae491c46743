// The fire button's animation and the knob's value mapping: the fire
// palette, one step of the heat field, the reseeding of the burning face and
// the blend of the flames over the face. No platform calls.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Canvas.h"

namespace frostel::widgets {

// 256 colours by heat: black, dark blue, red, orange, yellow, near white.
const std::array<Rgb, 256>& FirePalette();

// The heat of a control of width x height pixels, one byte a pixel, with one
// guard row below the last that always stays cold; and the shape mask
// (non-zero where the face may burn).
class FireField {
public:
    FireField(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    uint8_t& heat(int x, int y) { return heat_[size_t(y) * width_ + x]; }
    uint8_t heat(int x, int y) const { return heat_[size_t(y) * width_ + x]; }
    uint8_t& mask(int x, int y) { return mask_[size_t(y) * width_ + x]; }
    uint8_t mask(int x, int y) const { return mask_[size_t(y) * width_ + x]; }
    void Clear();
    // Every pixel may burn (1), or only those of the centred disc.
    void MaskAll();
    void MaskDisc();

    // Heat rises: each pixel's upper neighbour takes the mean of the pixel,
    // its left and right neighbours and the pixel below (a quarter of their
    // sum); the pixel then cools by 12 when above 12.
    void Rise();
    // New heat over the masked face, block by block: |dx| * |dy| * 15.9375
    // from the block's centre. The blocks move with `phase` (one row up and
    // three columns across a step) so that the flames flicker.
    void Reseed(int phase = 0);
    // A cross of +-5 pixels at full heat (the knob's mark), clipped.
    void Mark(int x, int y);

private:
    int width_, height_;
    std::vector<uint8_t> heat_;  // (height + 1) rows: the last is the guard
    std::vector<uint8_t> mask_;
};

// The frame: masked pixels blend the palette colour of their heat over the
// face by a = heat / 255 while the fire dies down, heat / 382 + 0.5 (at most
// 1) while it burns; unmasked pixels show the palette colour alone. `face`
// and `out` are width x height pixels of the field's size.
void ComposeFire(const FireField& field, bool burning, const Canvas& face, Canvas& out);

// Blend weight of a heat while burning or dying down, in 0..1.
float FireBlendWeight(int heat, bool burning);

// ---- The knob ---------------------------------------------------------------
struct KnobState {
    float angle = 0.0f;      // degrees, 360 less the raw angle, turns included
    float turns = 0.0f;
    float previous = 0.0f;   // last angle in the turn
    float value = 0.0f;
    float angleLow = 0.0f, angleHigh = 360.0f;
    float rangeLow = 0.0f, rangeHigh = 100.0f;
    bool limited = true;
    bool integer = false;
};
// A drag to (x, y) around the centre (cx, cy): the angle in the turn, whole
// turns across 0, the limits, then the value. A point level with the centre
// keeps the previous angle.
void DragKnob(KnobState& k, float x, float y, float cx, float cy);
// The value onto the angle, as the widgets' value setter does it by kind:
// 3 (angle) keeps whole turns of the value; 1 (limited knob) clamps it into
// the range (integer part when integer) and maps it onto the angle span;
// other kinds use the value as the angle.
void SetKnobValue(KnobState& k, int kind, float value);
// Where the knob's mark sits: on the circle of radius (size / 2 - inset),
// angle 0 at the top, growing counter-clockwise as a drag turns it.
void KnobMarkPoint(float angle, int width, int height, int inset, float* x, float* y);

}  // namespace frostel::widgets
