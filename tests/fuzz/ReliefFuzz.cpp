// Fuzz target: small masks of three levels through the long LoadMask. A
// load either fails cleanly or hands out a sound triangle mesh whose rib
// ends lie at height 0 and whose other heights stay within 0..30.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../mesh/TriangulationChecks.h"
#include "MeshBuilder.h"

using namespace frostel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int w = 1 + data[0] % 40, h = 1 + data[1] % 40;
    const int spacing = data[2] % 32;
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
    for (size_t i = 0; i < mask.size(); ++i) {
        const uint8_t b = data[3 + i % (size - 3)];
        mask[i] = b < 100 ? 0 : (b < 140 ? 128 : 255);
    }
    CMeshBuilder builder;
    CTriangles** triangles = nullptr;
    int count = 0;
    if (!builder.LoadMask(w, h, w, mask.data(), 1.0f + data[2] / 64, spacing, triangles, count)) return 0;
    const std::string broken =
        testing::CheckStructure(triangles, count, static_cast<float>(w), static_cast<float>(h));
    if (!broken.empty()) {
        std::fprintf(stderr, "relief mesh broken: %s\n", broken.c_str());
        std::abort();
    }
    for (const CMyPointPtr& p : builder.PointSet()) {
        if (p->triangles.empty() || !(p->z >= 0.0f && p->z <= 30.0f) ||
            ((p->flags & kPointRibEnd) && p->z != 0.0f)) {
            std::fprintf(stderr, "relief point (%g, %g, %g) wrong\n", p->x, p->y, p->z);
            std::abort();
        }
    }
    return 0;
}
