#include "LayerBuffers.h"

namespace frostel {

std::unique_ptr<CPlanarImage> gLayerBuffer;
std::unique_ptr<CPlanarImage> gBelowLayersBuffer;

void FreeLayerBuffers() {
    gLayerBuffer.reset();
    gBelowLayersBuffer.reset();
}

}  // namespace frostel
