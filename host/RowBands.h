// Image-sized copies and fills cut into bands of rows, one band a thread: the
// pages of a fresh buffer are then first written on several cores at once,
// which is most of what such a copy costs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace frostel {

// work(y0, y1) for bands of [0, rows) that together cover it once, on up to
// RenderThreads() threads, the calling one among them; returns when all are
// done. Bands are disjoint, so work may write its rows of shared buffers.
// `rowBytes`, the most a row writes, keeps bands at a megabyte or more: a
// small picture is done on the calling thread alone. A thread that cannot be
// started leaves its bands to the others.
void ForEachRowBand(int32_t rows, size_t rowBytes, const std::function<void(int32_t y0, int32_t y1)>& work);

}  // namespace frostel
