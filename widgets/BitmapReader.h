// Bitmap files read for the skins, reduced to about a target size: the file's
// headers are checked against its length before any pixel is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Canvas.h"

namespace frostel::widgets {

struct ReducedBitmap {
    int factor = 1;           // max(width / target width, height / target height), at least 1
    int width = 0, height = 0;  // after the reduction
    std::vector<Rgb> pixels;  // rows top down
};
// The file's bytes: false (factor 1, no pixels) for anything that is not a
// sound 8, 24 or 32-bit bitmap. Each output pixel averages a factor x factor block.
bool ReduceBitmapBytes(const uint8_t* file, size_t size, int targetWidth, int targetHeight, ReducedBitmap* out);
// The same from a file; a file that cannot be opened gives factor 1, no pixels.
bool ReadReducedBitmapFile(const char* path, int targetWidth, int targetHeight, ReducedBitmap* out);

}  // namespace frostel::widgets
