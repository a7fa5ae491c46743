#include "BitmapReader.h"

#include <algorithm>
#include <cstdio>

#include "BitmapFile.h"

namespace frostel::widgets {

bool ReduceBitmapBytes(const uint8_t* file, size_t size, int targetWidth, int targetHeight, ReducedBitmap* out) {
    *out = ReducedBitmap{};
    std::vector<uint8_t> dib;
    hostutil::RgbaImage img;
    if (!file || hostutil::BmpBytesToDib(file, size, dib) != hostutil::BmpError::None ||
        hostutil::DecodeDib(dib.data(), dib.size(), img) != hostutil::BmpError::None || img.width <= 0 ||
        img.height <= 0)
        return false;
    int f = 1;
    if (targetWidth > 0) f = std::max(f, img.width / targetWidth);
    if (targetHeight > 0) f = std::max(f, img.height / targetHeight);
    out->factor = f;
    out->width = std::max(1, img.width / f);
    out->height = std::max(1, img.height / f);
    out->pixels.resize(size_t(out->width) * out->height);
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x) {
            unsigned sum[3] = {}, n = 0;
            for (int j = 0; j < f && y * f + j < img.height; ++j)
                for (int i = 0; i < f && x * f + i < img.width; ++i) {
                    const uint8_t* p = &img.pixels[(size_t(y * f + j) * img.width + size_t(x * f + i)) * 4];
                    for (int k = 0; k < 3; ++k) sum[k] += p[k];
                    ++n;
                }
            out->pixels[size_t(y) * out->width + x] =
                Rgb{uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)};
        }
    return true;
}

bool ReadReducedBitmapFile(const char* path, int targetWidth, int targetHeight, ReducedBitmap* out) {
    *out = ReducedBitmap{};
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return ReduceBitmapBytes(bytes.data(), bytes.size(), targetWidth, targetHeight, out);
}

}  // namespace frostel::widgets
