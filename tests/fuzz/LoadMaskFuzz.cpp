// libFuzzer target: any small mask, step and spacing. Every border edge must
// be traced exactly once, and LoadMask's output must keep its invariants.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../mesh/ContourChecks.h"
#include "MeshBuilder.h"
#include "PageMemory.h"

using namespace frostel;

namespace {

void Fail(const char* what, const std::string& problem, int w, int h) {
    std::fprintf(stderr, "%s on a %d x %d mask: %s\n", what, w, h, problem.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Header: width, height, step (tenths), spacing; then the pixels, reused
    // cyclically, with a palette size to vary how many values meet.
    const int w = 1 + data[0] % 32, h = 1 + data[1] % 32;
    const float step = (static_cast<int>(data[2]) - 20) / 10.0f;
    const int spacing = static_cast<int>(data[3] % 40) - 4;
    const int levels = 2 + data[size - 1] % 6;
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
    const size_t n = size - 4;
    for (size_t i = 0; i < mask.size(); ++i) {
        const uint8_t v = n ? data[4 + i % n] : 0;
        mask[i] = static_cast<uint8_t>(v % levels * 40);  // never the outside value
    }
    const test::MaskView view{w, h, w, mask.data()};

    {
        TCRaster<unsigned char> raster(w, h, kOutsideValue);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) raster.Set(x, y, mask[static_cast<size_t>(y) * w + x]);
        CMeshBuilder builder;
        ContourList lines;
        builder.FindBorderLines(raster, lines);
        const std::string problem = test::CheckBorderLines(view, lines);
        if (!problem.empty()) Fail("trace", problem, w, h);
    }

    CMeshBuilder builder;
    int pc = 0, ec = 0;
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    if (!builder.LoadMask(w, h, w, mask.data(), step, spacing, pc, ec, points, edges)) Fail("LoadMask", "false", w, h);
    const float usedStep = step > 0 ? (step > 10 ? 10 : step) : 1;
    const int usedSpacing = spacing < 2 ? 2 : (spacing > 30 ? 30 : spacing);
    const std::string problem = test::CheckLoadMaskOutput(view, usedStep, usedSpacing, pc, ec, points, edges);
    if (pc > 0 && ec > 0) {
        FreePages(points);
        FreePages(edges);
    }
    if (!problem.empty()) Fail("LoadMask", problem, w, h);
    return 0;
}
