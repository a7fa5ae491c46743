#include "PointTransforms.h"

#include <cmath>
#include <cstring>

#include "PageMemory.h"

namespace {

// (p, q) -> rotated about (cp, cq).
void Turn(float& p, float& q, float cp, float cq, float c, float s) {
    const float dp = p - cp, dq = q - cq;
    p = dp * c - dq * s + cp;
    q = dp * s + dq * c + cq;
}

void TurnNormal(float& p, float& q, float c, float s) {
    const float np = p, nq = q;
    p = np * c - nq * s;
    q = np * s + nq * c;
}

enum class Axis { X, Y, Z };

void Rotate(Axis axis, float c0, float c1, float angle, int count, __Point3ds* points) {
    if (count <= 0 || !points) return;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < count; ++i) {
        __Point3ds& pt = points[i];
        float& p = axis == Axis::X ? pt.y : pt.x;
        float& q = axis == Axis::Z ? pt.y : pt.z;
        Turn(p, q, c0, c1, c, s);
        if (pt.hasNormal) {
            float& np = axis == Axis::X ? pt.ny : pt.nx;
            float& nq = axis == Axis::Z ? pt.ny : pt.nz;
            TurnNormal(np, nq, c, s);
        }
    }
}

bool SizesOk(int width, int height, int rowBytes, int minRowBytes) {
    return width > 0 && height > 0 && rowBytes >= minRowBytes;
}

}  // namespace

extern "C" {

void __TranslatePoints(float dx, float dy, float dz, int count, __Point3ds* points) {
    for (int i = 0; i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
        points[i].z += dz;
    }
}

void __ScalePoints(float factor, int count, __Point3ds* points) {
    for (int i = 0; i < count; ++i) {
        points[i].x *= factor;
        points[i].y *= factor;
        points[i].z *= factor;
    }
}

void __RotatePointsX(float cy, float cz, float angle, int count, __Point3ds* points) {
    Rotate(Axis::X, cy, cz, angle, count, points);
}

void __RotatePointsY(float cx, float cz, float angle, int count, __Point3ds* points) {
    Rotate(Axis::Y, cx, cz, angle, count, points);
}

void __RotatePointsZ(float cx, float cy, float angle, int count, __Point3ds* points) {
    Rotate(Axis::Z, cx, cy, angle, count, points);
}

void __RGBAToChannels(uint8_t** target, uint8_t* frame, int width, int height, int targetRowBytes, int channels) {
    if (!target || !*target || !frame || channels < 1 || !SizesOk(width, height, targetRowBytes, width * channels))
        return;
    const size_t frameRow = size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = frame + size_t(y) * frameRow;
        uint8_t* dst = *target + size_t(y) * size_t(targetRowBytes);
        if (channels == 4) {
            std::memcpy(dst, src, frameRow);
            continue;
        }
        for (int x = 0; x < width; ++x, src += 4, dst += channels) {
            if (channels == 3) {
                for (int k = 0; k < 3; ++k) dst[k] = uint8_t(src[k] * src[3] / 255);
            } else {
                // Never past the pixel: images of one or two channels take what fits.
                for (int k = 0; k < 4 && k < channels; ++k) dst[k] = src[k];
            }
        }
    }
}

void __ChannelsToRGBA(uint8_t** frame, uint8_t* image, int width, int height, int imageRowBytes, int channels) {
    if (!frame) return;
    *frame = nullptr;
    if (!image || channels < 1 || !SizesOk(width, height, imageRowBytes, width * channels)) return;
    const size_t frameRow = size_t(width) * 4;
    auto* out = static_cast<uint8_t*>(frostel::AllocPages(frameRow * size_t(height)));
    if (!out) return;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = image + size_t(y) * size_t(imageRowBytes);
        uint8_t* dst = out + size_t(y) * frameRow;
        if (channels == 4) {
            std::memcpy(dst, src, frameRow);
            continue;
        }
        for (int x = 0; x < width; ++x, src += channels, dst += 4) {
            for (int k = 0; k < 3; ++k) dst[k] = k < channels ? src[k] : 0;
            dst[3] = channels < 4 ? 255 : src[3];
        }
    }
    *frame = out;
}

}  // extern "C"
