// The document's layers as read for the dialog's preview: the target layer
// and the composite of the visible layers below it. Both have the filter
// rectangle as their rectangle, the document's mode and no border. Alpha,
// when there is any, is the buffer's AlphaPlane() (plane 3 in RGB, plane 4
// in CMYK, where plane 3 is black). Filled by ReadTargetDocumentLayers,
// freed by the dialog when it closes.
#pragma once

#include <memory>

#include "PlanarImage.h"

namespace frostel {

extern std::unique_ptr<CPlanarImage> gLayerBuffer;        // target layer, or null
extern std::unique_ptr<CPlanarImage> gBelowLayersBuffer;  // visible layers below it, or null

void FreeLayerBuffers();

}  // namespace frostel
