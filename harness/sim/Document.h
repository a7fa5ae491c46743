// The document the test host filters: one 8-bit layer, interleaved, with an
// optional selection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostInterface.h"

namespace frostel::hostsim {

struct Document {
    int32_t width = 0;
    int32_t height = 0;
    int16_t mode = pi::plugInModeRGBColor;  // RGB (3) or CMYK (4)
    int16_t planes = 3;                     // RGB: 3, or 4 with alpha; CMYK: 4, or 5 with alpha
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
    bool HasAlpha() const { return planes == (mode == pi::plugInModeCMYKColor ? 5 : 4); }

    // "" when the shape, mode, planes and buffer sizes agree; else the reason.
    std::string Check() const;

    // The filter rectangle: the bounding box of the non-zero selection
    // bytes, or the whole image without a selection. Empty (all zero) when
    // the selection selects nothing.
    pi::VRect FilterBounds() const;
};

}  // namespace frostel::hostsim
