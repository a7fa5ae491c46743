// Fuzz target: any bytes through the skins' bitmap reader. A read either
// fails with nothing or gives the pixels its reduction promises.
#include <cstdint>
#include <cstdlib>

#include "BitmapReader.h"

using namespace frostel::widgets;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    ReducedBitmap out;
    const int target = 1 + data[0] % 64;
    if (!ReduceBitmapBytes(data + 1, size - 1, target, target, &out)) {
        if (out.factor != 1 || !out.pixels.empty()) std::abort();
        return 0;
    }
    if (out.factor < 1 || out.width < 1 || out.height < 1 ||
        out.pixels.size() != size_t(out.width) * size_t(out.height))
        std::abort();
    return 0;
}
