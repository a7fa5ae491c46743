#include "RowBands.h"

#include <algorithm>
#include <atomic>

#include "Renderer.h"

namespace frostel {

void ForEachRowBand(int32_t rows, size_t rowBytes, const std::function<void(int32_t y0, int32_t y1)>& work) {
    if (rows <= 0) return;
    // About four bands a thread, taken in turn, none under a megabyte.
    constexpr size_t kLeastBandBytes = size_t(1) << 20;
    const int threads = std::clamp(RenderThreads(), 1, 64);
    const size_t leastRows = kLeastBandBytes / std::max<size_t>(rowBytes, 1) + 1;
    const int32_t bandRows = int32_t(std::clamp<size_t>(
        std::max(leastRows, size_t((rows + 4 * threads - 1) / (4 * threads))), 1, size_t(rows)));
    const int32_t bands = (rows + bandRows - 1) / bandRows;
    std::atomic<int32_t> next{0};
    RunOnRenderThreads(std::min<int32_t>(threads, bands), [&](int) {
        for (int32_t b = next++; b < bands; b = next++) work(b * bandRows, std::min(rows, (b + 1) * bandRows));
    });
}

}  // namespace frostel
