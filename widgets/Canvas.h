// Drawing on the widgets' 24-bit pixel buffers (blue, green, red; rows top
// down), so that the dials, the preview's markers and the navigator frame are
// drawn and tested without the platform. The Windows side wraps a DIB
// section in a Canvas and copies it to the screen.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frostel::widgets {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
constexpr Rgb RgbOfColorRef(uint32_t c) {
    return {uint8_t(c & 255), uint8_t((c >> 8) & 255), uint8_t((c >> 16) & 255)};
}

class Canvas {
public:
    Canvas(uint8_t* bits, int width, int height, ptrdiff_t stride)
        : bits_(bits), width_(width), height_(height), stride_(stride) {}
    int width() const { return width_; }
    int height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Reads outside give black; writes outside are dropped.
    Rgb Get(int x, int y) const;
    void Set(int x, int y, Rgb c);
    void Invert(int x, int y);
    void Fill(Rgb c);
    // Half-open rectangle [x0, x1) x [y0, y1), clipped.
    void FillRect(int x0, int y0, int x1, int y1, Rgb c);

private:
    uint8_t* bits_;
    int width_, height_;
    ptrdiff_t stride_;
};

// a x (1 - f) + b x f per channel, rounded.
Rgb MixRgb(Rgb a, Rgb b, double f);
// The pixel becomes first x (1 - w/255) + second x w/255 (w clamped to 0..255).
void BlendSetPixel(Canvas& c, int x, int y, int w, Rgb first, Rgb second);
// Each channel moves toward 192 by w/255.
void MixPixelWithGrey(Canvas& c, int x, int y, int w);
// One-pixel line, both ends included.
void DrawLine(Canvas& c, int x0, int y0, int x1, int y1, Rgb colour);
// Anti-aliased ellipse outline in `line` of strength weight/255 over what is
// there; with `fill` the inside becomes `face` first.
void DrawEllipseAA(Canvas& c, float cx, float cy, float rx, float ry, int weight, bool fill, Rgb face,
                   Rgb line);

// The preview's marker: style 0 a full cross of arms 20 pixels each way,
// style 1 the left and upper arms, 2 the right and lower, 3 the right and
// upper; always the outline of the square (x-10, y-10)..(x+10, y+10). Each
// pixel of the figure is inverted once, however many strokes cross it.
void DrawMarkerCross(Canvas& c, int x, int y, int style);
// Inverts the four edges of the rectangle at (x, y) of size w x h, each
// pixel once, clipped to the canvas.
void InvertFrameEdges(Canvas& c, int x, int y, int w, int h);

// ---- Dial faces -----------------------------------------------------------
// The direction dial and the light pad: a shaded sphere of radius
// min(width, height) / 2 lit from (around, elevation) in degrees.
struct SphereLook {
    float around = 0.0f;
    float elevation = 90.0f;
    Rgb face{232, 232, 232};
    Rgb background{232, 232, 232};
    // 72 x 72 RGB texels, rows top down, sampled around (36, 36); null for none.
    const uint8_t* texture = nullptr;
    bool pad = false;        // the pad: softer highlight and a cross at the point
    bool hover = false;      // pad under the mouse: broader highlight
    bool enabled = true;
};
constexpr int kSphereTextureSize = 72;
void PaintDialSphere(Canvas& c, const SphereLook& look);
// Where the pad's cross sits for the look's angles.
void SpherePoint(const SphereLook& look, int width, int height, float* x, float* y);

// The turn and value dials.
struct TurnDialLook {
    float angle = 0.0f;       // angle 1, degrees, 0 at the top, clockwise
    int knobSize = 4;         // knob radius; the knob runs on radius cx - knobSize
    Rgb face{236, 233, 216};
    Rgb line{50, 55, 60};
    Rgb background{232, 232, 232};
    bool enabled = true;
    // Optional skin: copied as the face, then a knob sprite blended through
    // its alpha (0..255 a pixel); without a sprite a small cross.
    const Canvas* skin = nullptr;
    const Canvas* knob = nullptr;
    const uint8_t* knobAlpha = nullptr;
};
void PaintTurnDial(Canvas& c, const TurnDialLook& look);

}  // namespace frostel::widgets
