#include "BSpline.h"

#include "PageMemory.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace frostel {

namespace {

// Pivots of the tridiagonal solves are about 0.5 for every usable tension;
// one this small means the system is singular (a tension of -3 makes the
// first pivot exactly 0).
constexpr float kMinPivot = 1e-6f;

// True when a w x h image enlarged by fx, fy can be indexed with size_t.
bool ImageFits(int w, int h, int fx = 1, int fy = 1) {
    if (w < 1 || h < 1 || fx < 1 || fy < 1) return false;
    const size_t limit = SIZE_MAX / sizeof(float) / 2;
    const size_t wide = static_cast<size_t>(w);
    const size_t high = static_cast<size_t>(h);
    if (wide > limit / static_cast<size_t>(fx)) return false;
    if (high > limit / static_cast<size_t>(fy)) return false;
    const size_t columns = wide * static_cast<size_t>(fx);
    const size_t rows = high * static_cast<size_t>(fy);
    return columns <= limit / rows;
}

inline size_t At(int x, int y, size_t rowLength) {
    return static_cast<size_t>(y) * rowLength + static_cast<size_t>(x);
}

// Owns one weight table.
class Table {
public:
    explicit Table(float* p) : p_(p) {}
    ~Table() { ReleaseTable(p_); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    const float* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    float* p_;
};

template <typename Kernel>
float* BuildTable4(Kernel kernel) {
    auto* table = static_cast<float*>(AllocPages(4 * sizeof(float)));
    if (table == nullptr) return nullptr;
    for (int k = -1; k <= 2; ++k) table[k + 1] = kernel(k, 0.0f);
    return table;
}

template <typename Kernel>
float* BuildTable(int n, Kernel kernel) {
    if (n < 1 || static_cast<size_t>(n) > SIZE_MAX / (4 * sizeof(float))) return nullptr;
    const size_t entries = static_cast<size_t>(n);
    auto* table = static_cast<float*>(AllocPages(4 * entries * sizeof(float)));
    if (table == nullptr) return nullptr;
    for (int r = 0; r < 4; ++r)
        for (int i = 0; i < n; ++i)
            table[static_cast<size_t>(r) * entries + static_cast<size_t>(i)] =
                kernel(r - 1, static_cast<float>(i + 2) / static_cast<float>(n));
    return table;
}

float Tension(const float* map, size_t index) { return map != nullptr ? map[index] : 1.0f; }

}  // namespace

// ---------------------------------------------------------------- kernels

int BSplineInterval(int k, float x) {
    const float knot = static_cast<float>(k);
    if (x >= knot - 2.0f && x < knot - 1.0f) return -2;
    if (x >= knot - 1.0f && x < knot) return -1;
    if (x >= knot && x < knot + 1.0f) return 0;
    if (x >= knot + 1.0f && x < knot + 2.0f) return 1;
    return -3;
}

float BSplineTensionTerm(int k, float x) {
    const float t = x - static_cast<float>(k);
    switch (BSplineInterval(k, x)) {
        case -2: return (t + 2.0f) * (t + 2.0f) / 2.0f * ((t + 2.0f) / 3.0f - 1.0f);
        case -1: return (6.0f * t - 3.0f * t * t * t + 1.0f) / 6.0f;
        case 0: return (3.0f * t * t * t - 9.0f * t * t + 6.0f * t + 1.0f) / 6.0f;
        case 1: return (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f;
        default: return 0.0f;
    }
}

float BSplineQuadratic(int k, float x) {
    const float t = x - static_cast<float>(k);
    switch (BSplineInterval(k, x)) {
        case -2: return (t + 2.0f) * (t + 2.0f) / 2.0f;
        case -1: return (3.0f - (6.0f * t * t + 6.0f * t)) / 6.0f;
        case 0: return (3.0f * t * t - 6.0f * t + 3.0f) / 6.0f;
        default: return 0.0f;
    }
}

float BSplineTension(int k, float x, float a) {
    const float t = x - static_cast<float>(k);
    switch (BSplineInterval(k, x)) {
        case -2: {
            const float u = t + 2.0f;
            return (u / 3.0f - 1.0f) * u * u / 2.0f * a + u * u / 2.0f;
        }
        case -1:
            return (6.0f * t * (a - 1.0f) - (3.0f * a * t * t * t + 6.0f * t * t) + 3.0f + a) / 6.0f;
        case 0:
            return ((3.0f - 9.0f * a) * t * t + 3.0f * a * t * t * t + 6.0f * t * (a - 1.0f) + a + 3.0f) /
                   6.0f;
        case 1: return a * (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f;
        default: return 0.0f;
    }
}

float BSplineTensionSum(int k, float x, float a) {
    return BSplineQuadratic(k, x) + a * BSplineTensionTerm(k, x);
}

float BSplineTensionTermStep(int k, float x) {
    switch (BSplineInterval(k, x)) {
        case 0:
        case 1: return 1.0f / 6.0f;
        case -1: return -1.0f / 3.0f;
        default: return 0.0f;
    }
}

float BSplineTensionSlopeStep(int k, float x) {
    switch (BSplineInterval(k, x)) {
        case 0: return 1.0f;
        case 1:
        case -1: return -0.5f;
        default: return 0.0f;
    }
}

float BSplineQuadraticStep(int k, float x) {
    switch (BSplineInterval(k, x)) {
        case -1:
        case 0: return 0.5f;
        default: return 0.0f;
    }
}

float BSplineQuadraticSlopeStep(int k, float x) {
    switch (BSplineInterval(k, x)) {
        case 0: return -1.0f;
        case -1: return 1.0f;
        default: return 0.0f;
    }
}

float BSplineCubicStep(int k, float x) {
    return BSplineQuadraticStep(k, x) + BSplineTensionTermStep(k, x);
}

float BSplineCubicSlopeStep(int k, float x) {
    return BSplineTensionSlopeStep(k, x) + BSplineQuadraticSlopeStep(k, x);
}

// ----------------------------------------------------------------- tables

float* MakeQuadraticTable4() { return BuildTable4(BSplineQuadratic); }
float* MakeQuadraticTable(int n) { return BuildTable(n, BSplineQuadratic); }
float* MakeQuadraticSlopeTable4() { return BuildTable4(BSplineQuadraticSlopeStep); }
float* MakeQuadraticSlopeTable(int n) { return BuildTable(n, BSplineQuadraticSlopeStep); }
float* MakeTensionTermTable4() { return BuildTable4(BSplineTensionTerm); }
float* MakeTensionTermTable(int n) { return BuildTable(n, BSplineTensionTerm); }
float* MakeTensionSlopeTable4() { return BuildTable4(BSplineTensionSlopeStep); }
float* MakeTensionSlopeTable(int n) { return BuildTable(n, BSplineTensionSlopeStep); }

float* MakeTensionTable(int n, float a) {
    return BuildTable(n, [a](int k, float x) { return BSplineTension(k, x, a); });
}

void ReleaseTable(float* table) { FreePages(table); }

float SumTableWeights(int i, int j, const float* a, const float* b) { return a[i + j] + b[i + j]; }

float TensionTableWeight(int i, int j, int n, const float* a, const float* b, float tension) {
    const size_t index = static_cast<size_t>(i) * static_cast<size_t>(n) + static_cast<size_t>(j);
    return tension * b[index] + a[index];
}

// ------------------------------------------------------------- prefilters

namespace {

// Solves the rows, then the columns, of the tridiagonal systems whose
// coefficients are the tension kernel at the integers. The column pass runs
// in place in the work image, so that the destination is written only once
// both solves have succeeded.
template <typename Sample, typename RowTension, typename ColumnTension>
bool SolvePrefilter(int w, int h, float* destination, Sample sample, RowTension rowTension,
                    ColumnTension columnTension) {
    if (destination == nullptr || w < 2 || h < 2 || !ImageFits(w, h)) return false;
    const size_t row = static_cast<size_t>(w);
    const size_t line = static_cast<size_t>(std::max(w, h));
    PageBlock ratioBlock(line * sizeof(float));
    PageBlock rhsBlock(line * sizeof(float));
    PageBlock workBlock(row * static_cast<size_t>(h) * sizeof(float));
    if (!ratioBlock || !rhsBlock || !workBlock) return false;
    float* ratio = ratioBlock.as<float>();
    float* rhs = rhsBlock.as<float>();
    float* work = workBlock.as<float>();

    // One forward step of the elimination at equation i with tension a;
    // false when the pivot vanishes.
    auto eliminate = [ratio, rhs](int i, float a, float value) {
        const float x = static_cast<float>(i);
        const float lower = BSplineTension(i - 1, x, a);
        const float diag = BSplineTension(i, x, a);
        const float upper = BSplineTension(i + 1, x, a);
        const float m = diag + lower * ratio[i - 1];
        if (!(std::fabs(m) > kMinPivot) || !std::isfinite(m)) return false;
        ratio[i] = -(upper / m);
        rhs[i] = (value - lower * rhs[i - 1]) / m;
        return true;
    };

    if (h >= 3) {
        for (int y = 1; y <= h - 2; ++y) {
            ratio[0] = 0.0f;
            rhs[0] = 0.0f;
            for (int i = 1; i <= w - 2; ++i)
                if (!eliminate(i, rowTension(i, y), sample(At(i, y, row)))) return false;
            work[At(w - 2, y, row)] = rhs[w - 2];
            for (int i = w - 3; i >= 0; --i)
                work[At(i, y, row)] = ratio[i] * work[At(i + 1, y, row)] + rhs[i];
        }
    }
    if (w < 3) return true;
    for (int x = 1; x <= w - 2; ++x) {
        ratio[0] = 0.0f;
        rhs[0] = 0.0f;
        for (int j = 1; j <= h - 2; ++j)
            if (!eliminate(j, columnTension(x, j), work[At(x, j, row)])) return false;
        work[At(x, h - 2, row)] = rhs[h - 2];
        for (int j = h - 3; j >= 0; --j)
            work[At(x, j, row)] = ratio[j] * work[At(x, j + 1, row)] + rhs[j];
    }
    for (int y = 0; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) destination[At(x, y, row)] = work[At(x, y, row)];
    return true;
}

}  // namespace

bool PrefilterBSpline(int width, int height, float* destination, const float* source) {
    if (source == nullptr) return false;
    auto one = [](int, int) { return 1.0f; };
    return SolvePrefilter(
        width, height, destination, [source](size_t i) { return source[i]; }, one, one);
}

bool PrefilterBSplineMapped(int width, int height, float* destination, const float* source,
                            const float* rowTension, const float* columnTension) {
    if (source == nullptr) return false;
    const size_t row = static_cast<size_t>(std::max(width, 0));
    return SolvePrefilter(
        width, height, destination, [source](size_t i) { return source[i]; },
        [rowTension, row](int x, int y) { return Tension(rowTension, At(x, y, row)); },
        [columnTension, row](int x, int y) { return Tension(columnTension, At(x, y, row)); });
}

bool PrefilterBSplineBytes(int width, int height, float* destination, const unsigned char* source,
                           float tension, int plain) {
    if (source == nullptr) return false;
    if (plain != 0) {
        if (destination == nullptr || !ImageFits(width, height)) return false;
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (size_t i = 0; i < count; ++i) destination[i] = static_cast<float>(source[i]);
        return true;
    }
    auto constant = [tension](int, int) { return tension; };
    return SolvePrefilter(
        width, height, destination,
        [source](size_t i) { return static_cast<float>(source[i]); }, constant, constant);
}

// --------------------------------------------------------------- passes

namespace {

// Same-size separable pass over the cells 1 .. w - 4: the sample at cell
// + (1, 1) gets the 4 x 4 window weighted by the two weight rows.
void ApplySeparableCells(int w, int h, const float* source, float* destination,
                         const float rowWeight[4], const float columnWeight[4]) {
    const size_t row = static_cast<size_t>(w);
    for (int r = 1; r <= h - 4; ++r) {
        for (int c = 1; c <= w - 4; ++c) {
            float sum = 0.0f;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    sum += rowWeight[i] * columnWeight[j] * source[At(c + j, r + i, row)];
            destination[At(c + 1, r + 1, row)] = sum;
        }
    }
}

}  // namespace

bool ReconstructBSpline(int width, int height, float*, const float* source, float* destination) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height)) return false;
    const Table quadratic(MakeQuadraticTable4());
    const Table term(MakeTensionTermTable4());
    if (!quadratic || !term) return false;
    // 1/6, 2/3, 1/6 and 0 on the fourth knot.
    float weight[4];
    for (int j = 0; j < 4; ++j) weight[j] = SumTableWeights(0, j, quadratic.get(), term.get());
    ApplySeparableCells(width, height, source, destination, weight, weight);
    return true;
}

namespace {

// Visits every sub-position of the cells c, r in [first, last] (inclusive
// bounds given as offsets from the image's far side) of an enlargement.
template <typename Visit>
void ForEachSubPosition(int w, int h, int fx, int fy, int first, int lastFromEnd, Visit visit) {
    for (int r = first; r <= h - lastFromEnd; ++r)
        for (int c = first; c <= w - lastFromEnd; ++c)
            for (int ky = 0; ky < fy; ++ky)
                for (int kx = 0; kx < fx; ++kx) visit(c, r, kx, ky);
}

}  // namespace

bool EnlargeBSplineMapped(int width, int height, int fx, int fy, float*, const float* source,
                          const float* tensionX, const float* tensionY, float* destination) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height, fx, fy)) return false;
    const size_t row = static_cast<size_t>(width);
    const size_t wide = row * static_cast<size_t>(fx);
    ForEachSubPosition(width, height, fx, fy, 1, 4, [&](int c, int r, int kx, int ky) {
        const float x = static_cast<float>(c + 1) + static_cast<float>(kx) / static_cast<float>(fx);
        const float y = static_cast<float>(r + 1) + static_cast<float>(ky) / static_cast<float>(fy);
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                const size_t at = At(c + j, r + i, row);
                sum += BSplineTensionSum(c + j, x, Tension(tensionX, at)) *
                       BSplineTensionSum(r + i, y, Tension(tensionY, at)) * source[at];
            }
        }
        destination[At((c + 1) * fx + kx, (r + 1) * fy + ky, wide)] = std::clamp(sum, 0.0f, 255.0f);
    });
    return true;
}

bool EnlargeBSplineTables(int width, int height, int fx, int fy, float*, const float* source,
                          const float* tensionX, const float* tensionY, float* destination) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height, fx, fy)) return false;
    const Table quadraticX(MakeQuadraticTable(fx));
    const Table termX(MakeTensionTermTable(fx));
    const Table quadraticY(MakeQuadraticTable(fy));
    const Table termY(MakeTensionTermTable(fy));
    if (!quadraticX || !termX || !quadraticY || !termY) return false;
    const size_t row = static_cast<size_t>(width);
    const size_t wide = row * static_cast<size_t>(fx);
    ForEachSubPosition(width, height, fx, fy, 1, 4, [&](int c, int r, int kx, int ky) {
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                const size_t at = At(c + j, r + i, row);
                sum += TensionTableWeight(j, kx, fx, quadraticX.get(), termX.get(), Tension(tensionX, at)) *
                       TensionTableWeight(i, ky, fy, quadraticY.get(), termY.get(), Tension(tensionY, at)) *
                       source[at];
            }
        }
        destination[At((c + 1) * fx + kx, (r + 1) * fy + ky, wide)] = sum;
    });
    return true;
}

namespace {

unsigned char ClampToByte(float v) { return static_cast<unsigned char>(std::clamp(v, 0.0f, 255.0f)); }

}  // namespace

bool EnlargeBSplineToBytes(int width, int height, int fx, int fy, float*, const float* source,
                           float tension, unsigned char* destination) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height, fx, fy)) return false;
    const Table columns(MakeTensionTable(fx, tension));
    const Table rows(MakeTensionTable(fy, tension));
    if (!columns || !rows) return false;
    const size_t row = static_cast<size_t>(width);
    const size_t wide = row * static_cast<size_t>(fx);
    const size_t nx = static_cast<size_t>(fx), ny = static_cast<size_t>(fy);
    ForEachSubPosition(width, height, fx, fy, 2, 3, [&](int c, int r, int kx, int ky) {
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                sum += rows.get()[static_cast<size_t>(i) * ny + static_cast<size_t>(ky)] *
                       columns.get()[static_cast<size_t>(j) * nx + static_cast<size_t>(kx)] *
                       source[At(c - 1 + j, r - 1 + i, row)];
        destination[At(c * fx + kx, r * fy + ky, wide)] = ClampToByte(sum);
    });
    return true;
}

bool EnlargeBSplineBytes3x3(int width, int height, int fx, int fy, const unsigned char* source,
                            unsigned char* destination, const float* table) {
    // The one table serves both axes, so it can only be indexed for one factor.
    if (source == nullptr || destination == nullptr || table == nullptr || fx != fy ||
        !ImageFits(width, height, fx, fy))
        return false;
    const size_t row = static_cast<size_t>(width);
    const size_t wide = row * static_cast<size_t>(fx);
    const size_t n = static_cast<size_t>(fx);
    ForEachSubPosition(width, height, fx, fy, 2, 3, [&](int c, int r, int kx, int ky) {
        float sum = 0.0f;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                sum += table[static_cast<size_t>(i + 1) * n + static_cast<size_t>(ky)] *
                       table[static_cast<size_t>(j + 1) * n + static_cast<size_t>(kx)] *
                       static_cast<float>(source[At(c + j, r + i, row)]);
        destination[At(c * fx + kx, r * fy + ky, wide)] = ClampToByte(sum);
    });
    return true;
}

bool SlopeBlocksBSpline(int width, int height, int fx, int fy, float*, const float* source,
                        const float*, const float*, float* destination, int mode) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height, fx, fy)) return false;
    float (*columnKernel)(int, float) = mode != 0 ? BSplineCubicSlopeStep : BSplineCubicStep;
    float (*rowKernel)(int, float) = mode != 0 ? BSplineCubicStep : BSplineCubicSlopeStep;
    const size_t row = static_cast<size_t>(width);
    const size_t wide = row * static_cast<size_t>(fx);
    ForEachSubPosition(width, height, fx, fy, 1, 4, [&](int c, int r, int kx, int ky) {
        const float x = static_cast<float>(c + 1) + static_cast<float>(kx) / static_cast<float>(fx);
        const float y = static_cast<float>(r + 1) + static_cast<float>(ky) / static_cast<float>(fy);
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                sum += rowKernel(r + i, y) * columnKernel(c + j, x) * source[At(c + j, r + i, row)];
        destination[At((c + 1) * fx + kx, (r + 1) * fy + ky, wide)] = sum;
    });
    return true;
}

bool DifferenceImage(int width, int height, int, int, float*, const float* source, const float*,
                     const float*, float* destination, int mode) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height)) return false;
    const size_t row = static_cast<size_t>(width);
    const int dx = mode != 0 ? 1 : 0;
    const int dy = 1 - dx;
    for (int y = 1; y < height; ++y)
        for (int x = 1; x < width; ++x)
            destination[At(x, y, row)] = source[At(x, y, row)] - source[At(x - dx, y - dy, row)];
    return true;
}

bool ApplyFixedKernel4x4(int width, int height, int, int, float*, const float* source, const float*,
                         const float*, float* destination) {
    if (source == nullptr || destination == nullptr || !ImageFits(width, height)) return false;
    static constexpr double kWeight[4] = {1.0, 1.0, -5.0, 9.0};
    const size_t row = static_cast<size_t>(width);
    for (int y = 2; y <= height - 3; ++y) {
        for (int x = 2; x <= width - 3; ++x) {
            double sum = 0.0;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    sum += kWeight[i] * kWeight[j] * source[At(x - 2 + j, y - 2 + i, row)];
            destination[At(x, y, row)] = static_cast<float>(sum / 36.0);
        }
    }
    return true;
}

bool ResampleImageBSpline(int width, int height, int fx, int fy, float*, const float* source,
                          const float*, const float*, float* destination, int mode) {
    // The weights come from 4-entry tables: a sub-position other than 0
    // would read past them.
    if (fx != 1 || fy != 1) return false;
    if (source == nullptr || destination == nullptr || !ImageFits(width, height)) return false;
    const Table quadraticSlope(MakeQuadraticSlopeTable4());
    const Table tensionSlope(MakeTensionSlopeTable4());
    const Table quadratic(MakeQuadraticTable4());
    const Table term(MakeTensionTermTable4());
    if (!quadraticSlope || !tensionSlope || !quadratic || !term) return false;
    float slope[4], value[4];
    for (int j = 0; j < 4; ++j) {
        slope[j] = SumTableWeights(0, j, quadraticSlope.get(), tensionSlope.get());
        value[j] = SumTableWeights(0, j, quadratic.get(), term.get());
    }
    if (mode == 1)
        ApplySeparableCells(width, height, source, destination, value, slope);
    else
        ApplySeparableCells(width, height, source, destination, slope, value);
    return true;
}

}  // namespace frostel
