// Fuzz target: the parameter record as a host hands it back, any 256 bytes
// (stale cache pointers, NaNs, out-of-range enumerations, counts of 2^32 - 1),
// through the sanitiser and into a small render. The sanitised record holds
// only finite floats and a second pass changes nothing; the
// render ends without a sanitizer report, within libFuzzer's time-out,
// with every page block it took given back, and leaves nothing of the
// record's pointers behind.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Effect.h"
#include "FilterParameters.h"
#include "PageMemory.h"
#include "ParameterSanitizer.h"
#include "Scene.h"
#include "SceneImage.h"

using namespace frostel;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "parameter record: %s\n", what);
    std::abort();
}

void CheckSanitised(const FilterParameters& p) {
    for (const ParameterKey& k : ParameterKeys)
        if (k.isFloat() && !std::isfinite(GetFloatField(p, k))) Fail("a float is not finite");
    FilterParameters again = p;
    if (SanitizeParameters(again)) Fail("a second pass changed a value");
}

constexpr int kW = 24, kH = 16;

std::vector<uint8_t> Source() {
    std::vector<uint8_t> px(size_t(kW) * kH * 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(size_t(y) * kW + x) * 4];
            const bool bright = (x - 12) * (x - 12) + (y - 8) * (y - 8) < 30;
            p[0] = bright ? 240 : uint8_t(x * 8), p[1] = bright ? 230 : uint8_t(y * 12), p[2] = 90, p[3] = 255;
        }
    return px;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t bytes[kParametersHandleSize] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    // A scene near the dialog's maxima grows millions of triangles: bounded,
    // but far too slow for a fuzzer. The budget's own effect is tested apart.
    SetSceneTriangleBudget(20000);
    const auto live = GetPageMemoryStats().live;
    {
        testing::SceneImage image(kW, kH, Source());
        std::memcpy(&image.params, bytes, sizeof image.params);
        FilterParameters& p = image.params;

        SanitizeParameters(p);
        CheckSanitised(p);
        RunEffect();
        CheckSanitised(p);
        if (image.result != 0 && image.result != pi::memFullErr) Fail("an unexpected result");
        // Outside the dialog nothing outlives the run, and no pointer the
        // host brought is kept.
        if (p.bumpTexture != nullptr || p.cachedTriangles != nullptr || p.cachedPoints != nullptr)
            Fail("a cache pointer left in the record");
    }
    if (GetPageMemoryStats().live != live) Fail("page memory not given back");
    return 0;
}
