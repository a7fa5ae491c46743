// Native builds have no module resources: the bump texture comes straight
// from the height map's generator.
#include "BumpMap.h"
#include "PageMemory.h"
#include "Scene.h"

namespace frostel {

uint8_t* LoadBumpTexture() {
    uint8_t heights[kBumpSize * kBumpSize];
    GenerateBumpHeights(heights);
    auto* texels = static_cast<uint8_t*>(AllocPages(size_t(kBumpSize) * kBumpSize * kBumpTexelBytes));
    if (texels == nullptr) return nullptr;
    for (int i = 0; i < kBumpSize * kBumpSize; ++i) texels[i * kBumpTexelBytes] = heights[i];
    return texels;
}

}  // namespace frostel
