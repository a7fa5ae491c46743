// Mask contours on 4000 x 3000 masks made as the scene driver makes them
// (median-smoothed brightness, quantised): the raw trace and the whole
// LoadMask, beside OpenCV's findContours on the binary mask when it is
// installed.
#include <cstdio>
#include <vector>

#include "../BenchCommon.h"
#include "MedianFilter.h"
#include "MeshBuilder.h"
#include "PageMemory.h"

#ifdef FROSTEL_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace frostel;

constexpr int kW = 4000, kH = 3000, kReps = 7;

struct Figures {
    double trace = 0, load = 0;
    size_t lines = 0;
    int points = 0;
};

Figures Measure(const std::vector<uint8_t>& mask) {
    Figures f;
    TCRaster<unsigned char> raster(-1, -1, kOutsideValue);
    raster.CreateStrided(kH, kW, kW);
    std::copy(mask.begin(), mask.end(), raster.Pixels());
    f.trace = bench::BestMs(kReps, [&] {
        CMeshBuilder builder;
        ContourList lines;
        lines.reserve(100);
        builder.FindBorderLines(raster, lines);
        f.lines = lines.size();
    });
    f.load = bench::BestMs(kReps, [&] {
        CMeshBuilder builder;
        int pc = 0, ec = 0;
        float* points = nullptr;
        ContourEdge* edges = nullptr;
        if (builder.LoadMask(kW, kH, kW, mask.data(), 1.0f, 10, pc, ec, points, edges) && pc > 0) {
            FreePages(points);
            FreePages(edges);
        }
        f.points = pc;
    });
    return f;
}

}  // namespace

int main() {
    // The brightness mask of a source without selection: median 11, then
    // levels 0, 84, 168, 252; its binary cut stands for a selection.
    const std::vector<uint8_t> plane = bench::BrightnessPlane(kW, kH);
    std::vector<uint8_t> levels(plane.size()), binary(plane.size());
    MedianFilter8(levels.data(), plane.data(), kW, kH, 11);
    for (size_t i = 0; i < levels.size(); ++i) {
        binary[i] = levels[i] >= 128 ? 255 : 0;
        levels[i] = static_cast<uint8_t>(levels[i] / 84 * 84);
    }

    std::printf("mask contours, %d x %d masks, step 1, spacing 10, best of %d\n", kW, kH, kReps);
    const Figures bin = Measure(binary), four = Measure(levels);
    std::printf("binary mask:  %zu traced borders, %d output points\n", bin.lines, bin.points);
    std::printf("4-level mask: %zu traced borders, %d output points\n", four.lines, four.points);
#ifdef FROSTEL_BENCH_OPENCV
    cv::setNumThreads(1);
    const cv::Mat in(kH, kW, CV_8UC1, binary.data());
    std::vector<std::vector<cv::Point>> contours;
    size_t found = 0;
    auto find = [&](int approx) {
        return bench::BestMs(kReps, [&] {
            cv::Mat work = in.clone();
            contours.clear();
            cv::findContours(work, contours, cv::RETR_LIST, approx);
            found = contours.size();
        });
    };
    const double none = find(cv::CHAIN_APPROX_NONE), simple = find(cv::CHAIN_APPROX_SIMPLE);
    std::printf("cv::findContours on the binary mask: %zu contours\n", found);
    bench::Row("raw trace, binary", bin.trace, "findContours, CHAIN_APPROX_SIMPLE", simple);
    bench::Row("raw trace, binary", bin.trace, "findContours, CHAIN_APPROX_NONE", none);
    bench::Row("LoadMask, binary", bin.load, "findContours, CHAIN_APPROX_SIMPLE", simple);
#else
    bench::Row("raw trace, binary", bin.trace, "(OpenCV not installed)", 0);
    bench::Row("LoadMask, binary", bin.load, "(OpenCV not installed)", 0);
#endif
    bench::Row("raw trace, 4-level", four.trace, "(no peer for multi-level masks)", 0);
    bench::Row("LoadMask, 4-level", four.load, "(no peer for multi-level masks)", 0);
    return 0;
}
