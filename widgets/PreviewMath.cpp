#include "PreviewMath.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace frostel::widgets {

namespace {
// A 16-bit channel (full scale 0x8000) as 8 bits; the row may be unaligned.
uint8_t Deep(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return uint8_t(std::min(255, v >> 7));
}
}  // namespace

PreviewLayout LayoutPreviewBitmap(int clientWidth, int clientHeight, int rectWidth, int rectHeight) {
    PreviewLayout l;
    l.width = std::max(0, std::min(clientWidth, rectWidth)) / 4 * 4;
    l.height = std::max(0, std::min(clientHeight, rectHeight));
    l.offsetX = std::max(0, (clientWidth - rectWidth) / 2);
    l.offsetY = std::max(0, (clientHeight - rectHeight) / 2);
    return l;
}

PreviewView ClampPreviewView(int clientWidth, int clientHeight, int imageWidth, int imageHeight, float zoom,
                             int viewX, int viewY) {
    PreviewView v{0, 0, 0, 0, 0, 0};
    if (!(zoom > 0.0f) || zoom > 64.0f || imageWidth <= 0 || imageHeight <= 0) return v;
    const int zw = std::max(1, int(float(imageWidth) * zoom));
    const int zh = std::max(1, int(float(imageHeight) * zoom));
    v.width = std::max(0, std::min(clientWidth, zw)) / 4 * 4;
    v.height = std::max(0, std::min(clientHeight, zh));
    v.viewX = std::clamp(viewX, 0, zw - v.width);
    v.viewY = std::clamp(viewY, 0, zh - v.height);
    v.offsetX = std::max(0, (clientWidth - v.width) / 2);
    v.offsetY = std::max(0, (clientHeight - v.height) / 2);
    return v;
}

void CutPreviewView(const uint8_t* src, int srcWidth, int srcHeight, size_t srcRowBytes, float zoom,
                    const PreviewView& view, uint8_t* dst, size_t dstRowBytes) {
    if (!src || srcWidth <= 0 || srcHeight <= 0 || !(zoom > 0.0f)) return;
    for (int r = 0; r < view.height; ++r) {
        const int sy = std::min(srcHeight - 1, int(float(view.viewY + r) / zoom));
        const uint8_t* in = src + size_t(srcHeight - 1 - sy) * srcRowBytes;
        uint8_t* out = dst + size_t(view.height - 1 - r) * dstRowBytes;
        for (int c = 0; c < view.width; ++c) {
            const int sx = std::min(srcWidth - 1, int(float(view.viewX + c) / zoom));
            std::memcpy(out + size_t(c) * 3, in + size_t(sx) * 3, 3);
        }
    }
}

void ConvertPreviewPixels(const PreviewSource& src, int width, int height, uint8_t* dst, size_t dstRowBytes) {
    for (int y = 0; y < height; ++y) std::memset(dst + size_t(y) * dstRowBytes, 0, size_t(width) * 3);
    if (!src.data || src.planes < 3) return;
    width = std::min(width, src.width);
    height = std::min(height, src.height);
    const auto* base = static_cast<const uint8_t*>(src.data);
    const int planes = src.planes;
    const bool overBackground = src.background && !(src.isCmyk && planes < 5);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = dst + size_t(height - 1 - y) * dstRowBytes;
        const uint8_t* row = base + ptrdiff_t(y) * src.rowBytes;
        if (src.depth == 16) {
            for (int x = 0; x < width; ++x, out += 3) {
                const uint8_t* p = row + size_t(x) * planes * 2;
                out[0] = Deep(p + 4);
                out[1] = Deep(p + 2);
                out[2] = Deep(p);
            }
        } else if (src.depth == 8) {
            const uint8_t* p = row;
            const uint8_t* bg = nullptr;
            if (overBackground && y < src.backgroundHeight) bg = src.background + ptrdiff_t(y) * src.backgroundRowBytes;
            for (int x = 0; x < width; ++x, p += planes, out += 3) {
                const int a = planes >= 4 ? p[3] : 255;
                if (a == 255) {
                    out[0] = p[2];
                    out[1] = p[1];
                    out[2] = p[0];
                } else if (bg && x < src.backgroundWidth) {
                    const uint8_t* b = bg + x * 3;
                    out[0] = uint8_t((b[2] * (255 - a) + p[2] * a + 127) / 255);
                    out[1] = uint8_t((b[1] * (255 - a) + p[1] * a + 127) / 255);
                    out[2] = uint8_t((b[0] * (255 - a) + p[0] * a + 127) / 255);
                } else {
                    out[0] = uint8_t((p[2] * a + 127) / 255);
                    out[1] = uint8_t((p[1] * a + 127) / 255);
                    out[2] = uint8_t((p[0] * a + 127) / 255);
                }
            }
        }
    }
}

bool ClientToPercent(const PreviewFrame& f, int sx, int sy, float* xPercent, float* yPercent) {
    if (f.docWidth == 0.0f || f.docHeight == 0.0f) return false;
    const float px = float(std::max(0, sx) + f.viewX - f.offsetX);
    const float py = float(std::max(0, sy) + f.viewY - f.offsetY);
    *xPercent = (px - f.docWidth / 2.0f) * 200.0f / f.docWidth;
    *yPercent = (f.docHeight / 2.0f - py) * 200.0f / f.docHeight;
    return true;
}

void PercentToClient(const PreviewFrame& f, float xPercent, float yPercent, float* sx, float* sy) {
    *sx = (xPercent / 200.0f + 0.5f) * f.docWidth - float(f.viewX) + float(f.offsetX);
    *sy = (0.5f - yPercent / 200.0f) * f.docHeight - float(f.viewY) + float(f.offsetY);
}

int NavigatorFrameExtent(int mainBitmapExtent, float navigatorScale, float previewScale) {
    return int(float(mainBitmapExtent) * navigatorScale * previewScale + 1.5f);
}

FrameBox NavigatorFrameOnImage(int x, int y, int w, int h, int imageW, int imageH) {
    const FrameBox as{x, y, w, h};
    if (imageW <= 0 || imageH <= 0 || w <= 0 || h <= 0) return as;
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(x) + w, imageW), y1 = std::min<int64_t>(int64_t(y) + h, imageH);
    if (x1 <= x0 || y1 <= y0) return as;
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

}  // namespace frostel::widgets
