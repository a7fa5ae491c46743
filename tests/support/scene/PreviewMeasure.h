// How far a preview strays from the final render of the same values, over
// the region the preview shows. The preview draws at draft quality: its
// edges are not anti-aliased and its maps are sampled at the nearest texel,
// so single pixels may differ anywhere on the figure. What must agree:
//   - coverage: away from the figure's outline (farther than kEdgeReach
//     pixels from a changed pixel beside an unchanged one), no pixel is
//     changed in one picture with nothing changed within a pixel of it in
//     the other: a draft fill may leave out a sliver's pixel, but never a
//     piece of the figure;
//   - shading: the two pictures averaged over kBlur x kBlur pixels, away
//     from the edges, so that the sparkle of single texels averages out
//     and what remains is the figure's light, colour and place.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace frostel::testing {

struct PreviewMeasure {
    static constexpr int kEdgeReach = 2;
    static constexpr int kBlur = 9;

    int figure = 0;          // pixels the final's figure changes
    int inner = 0;           // of those, farther than kEdgeReach from an edge
    int coverageMisses = 0;  // pixels away from the outline covered in one picture only
    double shadingMean = 0;  // mean channel difference of the averaged pictures over the inner pixels
    int shadingWorst = 0;    // the largest such difference
};

// Three or more bytes a pixel (the first three compared), rows without padding.
// `previewSource` and `finalSource` are what lay under the figure in each
// picture (the preview's may be sampled otherwise than the final's region).
inline PreviewMeasure MeasurePreview(const uint8_t* preview, const uint8_t* previewSource, const uint8_t* final,
                                     const uint8_t* finalSource, int w, int h, int bytesPerPixel) {
    PreviewMeasure m;
    const size_t n = size_t(w) * size_t(h);
    auto at = [&](const uint8_t* img, size_t i) { return img + i * size_t(bytesPerPixel); };
    std::vector<uint8_t> finalFigure(n), previewFigure(n);
    for (size_t i = 0; i < n; ++i) {
        finalFigure[i] = std::memcmp(at(final, i), at(finalSource, i), 3) != 0;
        previewFigure[i] = std::memcmp(at(preview, i), at(previewSource, i), 3) != 0;
    }
    // Chessboard distance to the nearest edge of the final's figure.
    const int reach = PreviewMeasure::kEdgeReach + 1;
    std::vector<int> distance(n, reach);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            for (int dy = -1; dy <= 1 && distance[i]; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                    if (finalFigure[size_t(yy) * w + xx] != finalFigure[i]) distance[i] = 0;
                }
        }
    for (int d = 0; d < reach - 1; ++d)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (distance[size_t(y) * w + x] != d) continue;
                for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                    for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx) {
                        int& e = distance[size_t(yy) * w + xx];
                        e = std::min(e, d + 1);
                    }
            }

    // Box averages over kBlur x kBlur through summed-area tables.
    auto blurred = [&](const uint8_t* img) {
        std::vector<int64_t> sat(size_t(w + 1) * (h + 1) * 3, 0);
        auto S = [&](int x, int y, int c) -> int64_t& { return sat[(size_t(y) * (w + 1) + x) * 3 + c]; };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    S(x + 1, y + 1, c) = at(img, size_t(y) * w + x)[c] + S(x, y + 1, c) + S(x + 1, y, c) - S(x, y, c);
        std::vector<float> out(n * 3);
        const int r = PreviewMeasure::kBlur / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int x0 = std::max(0, x - r), y0 = std::max(0, y - r);
                const int x1 = std::min(w, x + r + 1), y1 = std::min(h, y + r + 1);
                const float area = float((x1 - x0) * (y1 - y0));
                for (int c = 0; c < 3; ++c)
                    out[(size_t(y) * w + x) * 3 + c] =
                        float(S(x1, y1, c) - S(x0, y1, c) - S(x1, y0, c) + S(x0, y0, c)) / area;
            }
        return out;
    };
    const std::vector<float> bp = blurred(preview), bf = blurred(final);

    auto coveredNear = [&](const std::vector<uint8_t>& figure, size_t i) {
        const int x = int(i % size_t(w)), y = int(i / size_t(w));
        for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
            for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx)
                if (figure[size_t(yy) * w + xx]) return true;
        return false;
    };
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        m.figure += finalFigure[i];
        if (distance[i] < reach) continue;
        if ((finalFigure[i] && !coveredNear(previewFigure, i)) || (previewFigure[i] && !coveredNear(finalFigure, i)))
            ++m.coverageMisses;
        if (!finalFigure[i]) continue;
        ++m.inner;
        for (int c = 0; c < 3; ++c) {
            const float d = std::abs(bp[i * 3 + c] - bf[i * 3 + c]);
            sum += d;
            m.shadingWorst = std::max(m.shadingWorst, int(d + 0.5f));
        }
    }
    if (m.inner > 0) m.shadingMean = sum / (3.0 * m.inner);
    return m;
}

}  // namespace frostel::testing
