// The buffer's further operations: fills, copies between rectangles,
// mirrors and turns, mode conversion, resampling, blurs and the mask.
// All of them work on 8-bit samples.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "PlanarImage.h"

namespace frostel {

namespace {

// Top of the whole (outer) column x of plane c, x counted from the first
// border column.
uint8_t* OuterColumn(const CPlanarImage& img, int c, int64_t x) {
    return img.DataNoAlloc() + size_t(c) * size_t(img.PlaneBytes()) + size_t(x) * size_t(img.ColumnBytes());
}

// The inner area with its origin at (0, 0).
PlaneRect InnerArea(const CPlanarImage& img) {
    const int64_t most = std::numeric_limits<int32_t>::max();
    return {0, 0, int32_t(std::min(img.Width(), most)), int32_t(std::min(img.Height(), most))};
}

// A weighted mean truncated to a sample. The weights are normalised, so the
// exact mean of equal samples is that sample; the slack keeps rounding noise
// from truncating it one below.
uint8_t ToSample(double mean) {
    return uint8_t(std::clamp(std::trunc(mean + 1e-6), 0.0, 255.0));
}

int64_t Mod(int64_t v, int64_t n) {
    const int64_t m = v % n;
    return m < 0 ? m + n : m;
}

}  // namespace

bool CPlanarImage::Clear() { return FillColor(Rgb16{0, 0, 0}); }

bool CPlanarImage::Invert() {
    uint8_t* d = Data();
    if (d == nullptr) return false;
    for (uint64_t i = 0; i < storage_.bytes; ++i) d[i] = uint8_t(~d[i]);
    return true;
}

bool CPlanarImage::CopyIntoRect(const CPlanarImage* source, const PlaneRect& rect) {
    if (source == nullptr || source == this || !Is8Bit() || !source->Is8Bit()) return false;
    const PlaneRect r = rect.Intersect(InnerArea(*this));
    if (Data() == nullptr || source->DataNoAlloc() == nullptr) return false;
    // The source is read from its top-left corner; it may be smaller than the rect.
    const int64_t w = std::min(r.Width(), source->Width());
    const int64_t h = std::min(r.Height(), source->Height());
    if (w <= 0 || h <= 0) return true;
    const int planes = std::min(channels_, source->channels_);
    for (int c = 0; c < planes; ++c)
        for (int64_t x = 0; x < w; ++x)
            std::memcpy(Column(c, r.left + x) + r.top, source->Column(c, x), size_t(h));
    return true;
}

bool CPlanarImage::CopyRectCentred(const CPlanarImage* source, const PlaneRect& rect) {
    if (source == nullptr || source == this || !Is8Bit() || !source->Is8Bit()) return false;
    if (Data() == nullptr || source->DataNoAlloc() == nullptr) return false;
    const PlaneRect r =
        rect.Intersect(InnerArea(*source));
    if (r.Width() > Width() || r.Height() > Height()) return false;
    if (r.Width() <= 0 || r.Height() <= 0) return true;
    const int64_t dx = (Width() - r.Width()) / 2, dy = (Height() - r.Height()) / 2;
    const int planes = std::min(channels_, source->channels_);
    for (int c = 0; c < planes; ++c)
        for (int64_t x = 0; x < r.Width(); ++x)
            std::memcpy(Column(c, dx + x) + dy, source->Column(c, r.left + x) + r.top, size_t(r.Height()));
    return true;
}

// Whole columns (border rows included) of the inner columns change places.
bool CPlanarImage::MirrorLeftRight(const CPlanarImage* source) {
    if (source == nullptr || !SameLayout(*source) || channels_ != source->channels_) return false;
    if (Data() == nullptr || source->DataNoAlloc() == nullptr) return false;
    const int64_t w = Width(), b = border_;
    const size_t colBytes = size_t(ColumnBytes());
    for (int c = 0; c < channels_; ++c) {
        if (source == this) {
            for (int64_t x = 0; x < w / 2; ++x)
                std::swap_ranges(OuterColumn(*this, c, b + x), OuterColumn(*this, c, b + x) + colBytes,
                                 OuterColumn(*this, c, b + w - 1 - x));
        } else {
            for (int64_t x = 0; x < w; ++x)
                std::memcpy(OuterColumn(*this, c, b + x), OuterColumn(*source, c, b + w - 1 - x), colBytes);
        }
    }
    return true;
}

bool CPlanarImage::MirrorTopBottom(const CPlanarImage* source) {
    if (source == nullptr || !SameLayout(*source) || channels_ != source->channels_ || !Is8Bit())
        return false;
    if (Data() == nullptr || source->DataNoAlloc() == nullptr) return false;
    const size_t colBytes = size_t(ColumnBytes());
    for (int c = 0; c < channels_; ++c) {
        for (int64_t x = 0; x < OuterWidth(); ++x) {
            uint8_t* to = OuterColumn(*this, c, x);
            if (source == this) {
                std::reverse(to, to + colBytes);
            } else {
                const uint8_t* from = OuterColumn(*source, c, x);
                for (size_t k = 0; k < colBytes; ++k) to[k] = from[colBytes - 1 - k];
            }
        }
    }
    return true;
}

namespace {

bool Rotate(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source, bool clockwise) {
    if (source == nullptr || source->BitsPerSample() != 8) return false;
    const int64_t w = source->Width(), h = source->Height();
    auto img = std::make_unique<CPlanarImage>(source->Mode(), source->Rect().Transposed(),
                                              source->Channels(), source->BitsPerSample(), 0, 0);
    if (img->Width() != h || img->Height() != w) return false;
    if (source->DataNoAlloc() == nullptr || img->Data() == nullptr) return false;
    // Only plane 0 turns; the other planes stay 0.
    for (int64_t x = 0; x < w; ++x) {
        const uint8_t* col = source->Column(0, x);
        if (clockwise) {
            for (int64_t y = 0; y < h; ++y) img->Column(0, h - 1 - y)[x] = col[y];
        } else {
            for (int64_t y = 0; y < h; ++y) img->Column(0, y)[w - 1 - x] = col[y];
        }
    }
    out = std::move(img);
    return true;
}

}  // namespace

bool CPlanarImage::RotateClockwise(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source) {
    return Rotate(out, source, true);
}

bool CPlanarImage::RotateCounterClockwise(std::unique_ptr<CPlanarImage>& out,
                                          const CPlanarImage* source) {
    return Rotate(out, source, false);
}

// Grey and CMYK results get a buffer of their own channel count; any other
// mode is converted in place and must have room for three planes.
bool CPlanarImage::ConvertMode(std::unique_ptr<CPlanarImage>& image, uint16_t mode) {
    CPlanarImage* src = image.get();
    if (src == nullptr) return false;
    if (src->mode_ == mode) return true;
    const auto convert = GetPlanarColorHooks().betweenModes;
    if (convert == nullptr || !src->Is8Bit()) return false;

    const int resultChannels = mode == kModeGrayScale ? 1 : mode == kModeCMYK ? 4 : 3;
    std::unique_ptr<CPlanarImage> made;
    CPlanarImage* target = src;
    if (mode == kModeGrayScale || mode == kModeCMYK) {
        made = std::make_unique<CPlanarImage>(mode, src->rect_, uint8_t(resultChannels), src->bits_,
                                              src->border_, 0);
        if (made->Data() == nullptr) return false;
        target = made.get();
    } else if (src->channels_ < resultChannels) {
        return false;
    }
    const uint8_t* from = src->Data();
    if (from == nullptr) return false;

    const size_t planeBytes = size_t(src->PlaneBytes());
    const int inChannels = std::min<int>(src->channels_, 4);
    uint8_t* to = target->storage_.data;
    for (size_t i = 0; i < planeBytes; ++i) {
        uint16_t comps[4] = {0, 0, 0, 0};
        for (int c = 0; c < inChannels; ++c) comps[c] = from[size_t(c) * planeBytes + i];
        if (!convert(comps, src->mode_, mode)) return false;  // a made buffer goes with `made`
        for (int c = 0; c < resultChannels; ++c) to[size_t(c) * planeBytes + i] = uint8_t(comps[c]);
    }
    if (made)
        image = std::move(made);
    else
        src->mode_ = mode;
    return true;
}

bool CPlanarImage::Resample(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source, double scale,
                            uint8_t useMapping) {
    if (source == nullptr || !source->Is8Bit() || !std::isfinite(scale) || scale <= 0) return false;
    const int64_t w = source->Width(), h = source->Height();
    const double wd = std::trunc(double(w) * scale + 0.5), hd = std::trunc(double(h) * scale + 0.5);
    const double limit = double(std::numeric_limits<int32_t>::max());
    if (!(wd <= limit) || !(hd <= limit)) return false;
    const int64_t w2 = int64_t(wd), h2 = int64_t(hd);
    auto img = std::make_unique<CPlanarImage>(source->mode_, PlaneRect{0, 0, int32_t(w2), int32_t(h2)},
                                              source->channels_, 8, source->border_, useMapping);
    if (source->DataNoAlloc() == nullptr || img->Data() == nullptr) return false;

    const double d = 1.0 / scale;
    for (int c = 0; c < source->channels_; ++c) {
        if (scale > 1) {
            // Enlarging: four neighbours weighted by their squared distances.
            float x = 0;
            for (int64_t i = 0; i < w2; ++i, x = float(double(x) + d)) {
                const int64_t xt = int64_t(x);
                const float fx = x - float(xt);
                const int64_t x0 = std::min(xt, w - 1), x1 = std::min(xt + 1, w - 1);
                const uint8_t* c0 = source->Column(c, x0);
                const uint8_t* c1 = source->Column(c, x1);
                uint8_t* outCol = img->Column(c, i);
                float y = 0;
                for (int64_t j = 0; j < h2; ++j, y = float(double(y) + d)) {
                    const int64_t yt = int64_t(y);
                    const float fy = y - float(yt);
                    const int64_t y0 = std::min(yt, h - 1), y1 = std::min(yt + 1, h - 1);
                    const float gx = 1 - fx, gy = 1 - fy;
                    const double w00 = gx * gx + gy * gy, w01 = gx * gx + fy * fy;
                    const double w10 = fx * fx + gy * gy, w11 = fx * fx + fy * fy;
                    const double sum = w00 + w01 + w10 + w11;
                    double v = w00 * c0[y0] + w01 * c0[y1] + w10 * c1[y0] + w11 * c1[y1];
                    if (sum != 0) v /= sum;
                    outCol[j] = ToSample(v);
                }
            }
        } else {
            // Reducing: the area each output sample covers, partial samples at
            // its far edges weighted by how much of them it covers.
            double xs = 0;
            for (int64_t i = 0; i < w2; ++i) {
                const double xe = xs + d;
                const int64_t x0 = int64_t(xs);
                const int64_t lx = std::min<int64_t>(w, int64_t(xe + 1)) - 1;
                const double fx = xe - double(lx);
                uint8_t* outCol = img->Column(c, i);
                double ys = 0;
                for (int64_t j = 0; j < h2; ++j) {
                    const double ye = ys + d;
                    const int64_t y0 = int64_t(ys);
                    const int64_t ly = std::min<int64_t>(h, int64_t(ye + 1)) - 1;
                    const double fy = ye - double(ly);
                    double sum = 0, weights = 0;
                    for (int64_t x = x0; x < lx; ++x) {
                        const uint8_t* col = source->Column(c, x);
                        for (int64_t y = y0; y < ly; ++y) sum += col[y];
                        sum += col[ly] * fy;
                        weights += double(std::max<int64_t>(0, ly - y0)) + fy;
                    }
                    const uint8_t* last = source->Column(c, lx);
                    for (int64_t y = y0; y < ly; ++y) sum += last[y] * fx;
                    sum += last[ly] * (fx * fy);
                    weights += double(std::max<int64_t>(0, ly - y0)) * fx + fx * fy;
                    outCol[j] = ToSample(weights > 0 ? sum / weights : 0.0);
                    ys = ye;
                }
                xs = xe;
            }
        }
    }
    out = std::move(img);
    return true;
}

// Over the whole storage of every plane: a clamped running sum down each
// column into a scratch buffer, then a running sum along each row that wraps
// around, back into this buffer.
bool CPlanarImage::BoxBlur(uint32_t radius) {
    if (!Is8Bit()) return false;
    const int64_t wo = OuterWidth(), ho = OuterHeight(), r = radius;
    if (2 * r + 1 > wo) return false;
    if (Data() == nullptr) return false;
    CPlanarImage scratch(mode_, rect_, channels_, bits_, border_, 0);
    if (scratch.Data() == nullptr) return false;
    std::unique_ptr<int64_t[]> rows(new (std::nothrow) int64_t[size_t(ho)]);
    if (!rows) return false;
    const int64_t div = 2 * r + 1;

    for (int c = 0; c < channels_; ++c) {
        for (int64_t x = 0; x < wo; ++x) {
            const uint8_t* v = OuterColumn(*this, c, x);
            uint8_t* out = OuterColumn(scratch, c, x);
            const int64_t inside = std::min(r, ho - 1);
            int64_t s = r * v[0] + std::max<int64_t>(0, r - (ho - 1)) * v[ho - 1];
            for (int64_t j = 0; j <= inside; ++j) s += v[j];
            for (int64_t k = 0; k < ho; ++k) {
                out[k] = uint8_t(s / div);
                s += v[std::min(k + r + 1, ho - 1)] - v[std::max<int64_t>(k - r, 0)];
            }
        }
    }
    for (int c = 0; c < channels_; ++c) {
        std::fill(rows.get(), rows.get() + ho, 0);
        for (int64_t j = -r; j <= r; ++j) {
            const uint8_t* col = OuterColumn(scratch, c, Mod(j, wo));
            for (int64_t y = 0; y < ho; ++y) rows[y] += col[y];
        }
        for (int64_t k = 0; k < wo; ++k) {
            uint8_t* out = OuterColumn(*this, c, k);
            const uint8_t* entering = OuterColumn(scratch, c, Mod(k + r + 1, wo));
            const uint8_t* leaving = OuterColumn(scratch, c, Mod(k - r, wo));
            for (int64_t y = 0; y < ho; ++y) {
                out[y] = uint8_t(rows[y] / div);
                rows[y] += entering[y] - leaving[y];
            }
        }
    }
    return true;
}

void CPlanarImage::Smooth3x3() {
    const int64_t w = Width(), h = Height();
    if (w < 3 || h < 3 || channels_ < 1 || !Is8Bit() || Data() == nullptr) return;
    for (int64_t x = 1; x < w - 1; ++x) {
        const uint8_t* left = Column(0, x - 1);
        uint8_t* mid = Column(0, x);
        const uint8_t* right = Column(0, x + 1);
        for (int64_t y = 1; y < h - 1; ++y) {
            // Weights 0.4, 0.1 and 0.05 as twentieths: exact, so a flat area
            // stays flat (a float sum truncated would darken it).
            const int v = 8 * mid[y] + 2 * (left[y] + right[y] + mid[y - 1] + mid[y + 1]) +
                          left[y - 1] + right[y - 1] + left[y + 1] + right[y + 1];
            mid[y] = uint8_t(std::min(v / 20, 255));
        }
    }
}

bool CPlanarImage::BuildMask(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source) {
    out.reset();
    if (source == nullptr || !source->Is8Bit()) return false;
    auto img = std::make_unique<CPlanarImage>(kModeGrayScale, source->rect_, 1, 8, source->border_, 0);
    if (img->Data() == nullptr || source->DataNoAlloc() == nullptr) return false;
    const size_t planeBytes = size_t(source->PlaneBytes());
    const int planes = std::min<int>(source->channels_, 3);
    const uint8_t* from = source->DataNoAlloc();
    uint8_t* to = img->DataNoAlloc();
    for (size_t i = 0; i < planeBytes; ++i) {
        bool on = false;
        for (int c = 0; c < planes; ++c) on |= from[size_t(c) * planeBytes + i] >= 101;
        to[i] = on ? 255 : 0;
    }
    out = std::move(img);
    return true;
}

}  // namespace frostel
