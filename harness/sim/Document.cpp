#include "Document.h"

#include <algorithm>

namespace frostel::hostsim {

Document Document::Blank(int32_t width, int32_t height, int16_t mode, int16_t planes) {
    Document d;
    d.width = std::max(width, 0);
    d.height = std::max(height, 0);
    d.mode = mode;
    d.planes = planes;
    d.pixels.assign(d.RowBytes() * size_t(d.height), 0);
    return d;
}

std::string Document::Check() const {
    if (width <= 0 || height <= 0)
        return "document is empty (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    if (planes < 1 || planes > 5) return "a document has 1 to 5 planes, not " + std::to_string(planes);
    if (mode < pi::plugInModeBitmap || mode > pi::plugInModeDuotone16)
        return "image mode " + std::to_string(mode) + " is not one of the interface's modes (0 to 15)";
    if (pixels.size() != RowBytes() * size_t(height)) return "pixel buffer does not match the document size";
    if (!mask.empty() && mask.size() != size_t(width) * size_t(height))
        return "selection mask does not match the document size";
    return {};
}

pi::VRect Document::FilterBounds() const {
    if (mask.empty()) return {0, 0, height, width};
    int32_t top = height, left = width, bottom = 0, right = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = mask.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            if (!row[x]) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
            left = std::min(left, x);
            right = std::max(right, x + 1);
        }
    }
    if (bottom == 0) return {0, 0, 0, 0};
    return {top, left, bottom, right};
}

}  // namespace frostel::hostsim
