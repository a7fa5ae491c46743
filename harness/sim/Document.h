// The document the test host filters: one 8-bit layer, interleaved, with an
// optional selection. Usually RGB (3 planes, 4 with alpha) or CMYK (4, or 5
// with alpha; plane values as the interface stores them, 255 = no ink), but
// any mode number and 1 to 5 planes can be offered, as a host does when the
// user targets single channels or works in another mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostInterface.h"

namespace frostel::hostsim {

struct Document {
    int32_t width = 0;
    int32_t height = 0;
    int16_t mode = pi::plugInModeRGBColor;
    int16_t planes = 3;                     // 1 to 5
    std::vector<uint8_t> pixels;            // width * planes bytes per row, rows top-down
    std::vector<uint8_t> mask;              // empty, or width * height selection bytes

    // Zero-filled document of the given shape.
    static Document Blank(int32_t width, int32_t height, int16_t mode = pi::plugInModeRGBColor,
                          int16_t planes = 3);

    bool HasSelection() const { return !mask.empty(); }
    size_t RowBytes() const { return size_t(width) * size_t(planes); }
    uint8_t* At(int32_t x, int32_t y) { return pixels.data() + size_t(y) * RowBytes() + size_t(x) * planes; }
    const uint8_t* At(int32_t x, int32_t y) const {
        return pixels.data() + size_t(y) * RowBytes() + size_t(x) * planes;
    }
    // Colour planes of the mode: 4 for CMYK, 3 for the others.
    int16_t ColourPlanes() const { return mode == pi::plugInModeCMYKColor ? 4 : 3; }
    // The plane after the colour planes is the transparency.
    bool HasAlpha() const { return planes > ColourPlanes(); }

    // "" when the shape, mode, planes and buffer sizes agree; else the reason.
    std::string Check() const;

    // The filter rectangle: the bounding box of the non-zero selection
    // bytes, or the whole image without a selection. Empty (all zero) when
    // the selection selects nothing.
    pi::VRect FilterBounds() const;
};

}  // namespace frostel::hostsim
