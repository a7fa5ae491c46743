#include "LayerBuffers.h"

#include "ColorServices.h"

namespace frostel {

std::unique_ptr<CPlanarImage> gLayerBuffer;
std::unique_ptr<CPlanarImage> gBelowLayersBuffer;

void FreeLayerBuffers() {
    gLayerBuffer.reset();
    gBelowLayersBuffer.reset();
}

namespace {
// Installed at load: the buffers convert colours through the host's colour
// services of the current call.
[[maybe_unused]] const bool kPlanarHooksInstalled = (InstallPlanarColorHooks(), true);
}  // namespace

}  // namespace frostel
