// The median filter on a 4000 x 3000 plane with the scene driver's window,
// beside OpenCV's medianBlur with the same window when it is installed.
#include <cstdio>
#include <vector>

#include "../BenchCommon.h"
#include "MedianFilter.h"

#ifdef FROSTEL_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

int main() {
    using namespace frostel;
    const int w = 4000, h = 3000, window = 11, reps = 7;
    const std::vector<uint8_t> src = bench::BrightnessPlane(w, h);
    std::vector<uint8_t> dst(src.size());
    const double ours = bench::BestMs(reps, [&] { MedianFilter8(dst.data(), src.data(), w, h, window); });
    std::printf("median filter, %d x %d plane, window %d, best of %d\n", w, h, window, reps);
#ifdef FROSTEL_BENCH_OPENCV
    // One thread: OpenCV's median runs no faster on more.
    const cv::Mat in(h, w, CV_8UC1, const_cast<uint8_t*>(src.data()));
    cv::Mat out;
    cv::setNumThreads(1);
    const double one = bench::BestMs(reps, [&] { cv::medianBlur(in, out, window); });
    bench::Row("MedianFilter8", ours, "cv::medianBlur, 1 thread", one);
#else
    bench::Row("MedianFilter8", ours, "(OpenCV not installed)", 0);
#endif
    return 0;
}
