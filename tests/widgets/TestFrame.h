// A canvas over its own pixels, filled with one colour, for the drawing tests.
#pragma once

#include <cstdint>
#include <vector>

#include "Canvas.h"

namespace frostel::widgets {

struct TestFrame {
    TestFrame(int w, int h, Rgb fill = {0, 0, 0}) : px(size_t(w) * h * 3), canvas(px.data(), w, h, ptrdiff_t(w) * 3) {
        canvas.Fill(fill);
    }
    std::vector<uint8_t> px;
    Canvas canvas;
};

}  // namespace frostel::widgets
