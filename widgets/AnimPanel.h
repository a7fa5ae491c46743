// The animated panel's pure parts: light spots moving and bouncing over a grey
// background, glow spots, the refraction shared with the glass controls
// (displaced reads plus a brightness offset, mixed by a weight), the scatter
// effect, and the maps made from a relief picture. No platform calls.
#pragma once

#include <cstdint>
#include <vector>

#include "Canvas.h"

namespace frostel::widgets {

// The C library's classic generator (seeded, 15-bit results), so that the
// animation is the same wherever it runs.
class SpotRandom {
public:
    explicit SpotRandom(uint32_t seed = 1) : state_(seed) {}
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return int((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

struct LightSpot {
    double x = 0.0, y = 0.0;     // top-left of the spot in the panel
    float r = 0, g = 0, b = 0;   // 0..127
    double vx = 0.0, vy = 0.0;   // pixels a frame
    double angle = 0.0;
    int size = 0;
};
// `count` spots of `size` pixels at random places inside a panel of w x h,
// with random colours and directions (speed 2).
std::vector<LightSpot> MakeLightSpots(int count, int size, int w, int h, SpotRandom& random);
// One frame's move: at 0 and at the far edge the velocity component turns
// and the position is kept at the edge.
void MoveLightSpot(LightSpot& s, int w, int h);
// Adds image (size x size intensities) x colour to the pixels under the spot,
// clipped to the frame, each channel at most 255.
void AddLightSpot(Canvas& frame, const LightSpot& s, const std::vector<float>& image);

// A glow spot: colour x intensity added over its square, whose first column
// is left + width / 16 and first row top - height / 16.
struct GlowSpot {
    int left = 0, top = 0;
    Rgb colour{0, 0, 0};
    std::vector<float> intensity;  // width x height
    int width = 0, height = 0;
    bool visible = false;
};
void DrawGlowSpot(Canvas& frame, const GlowSpot& g);

// The refraction maps of a picture w x h (a pixel each).
struct RefractionMaps {
    int width = 0, height = 0;
    std::vector<int> brightness;        // added to each channel
    std::vector<float> weight;          // 0 untouched .. 1 full effect
    std::vector<float> dx, dy;          // displacement of the read
    bool empty() const { return width <= 0 || height <= 0; }
};
// One pixel of `out` at (x, y) from `source`: the source pixel displaced by
// the maps at (mx, my) (the read clamped into the source), plus the
// brightness, mixed with the undisplaced pixel by the weight.
Rgb RefractPixel(const Canvas& source, int x, int y, const RefractionMaps& maps, int mx, int my);
// The whole frame through the maps (same size as the frame; pixels outside
// the maps are copied).
void Refract(const Canvas& source, Canvas& out, const RefractionMaps& maps);
// Each pixel swapped with a random neighbour (x - 2 .. x, y - 1 .. y + 3)
// when that lies inside; seeded with the frame's first byte.
void Scatter(Canvas& frame);

// Maps from three grey pictures: brightness = grey - 127, weight = grey / 255,
// and the relief r smoothed by a 2 x 2 box, shaped (1.01 - r / m)^power with
// m its maximum and scaled by scale / m, whose slopes (the B-spline
// derivative) become the two displacements.
RefractionMaps MakeRefractionMaps(int w, int h, const std::vector<uint8_t>& brightnessGrey,
                                  const std::vector<uint8_t>& weightGrey, const std::vector<uint8_t>& reliefGrey,
                                  double power, double scale);

}  // namespace frostel::widgets
