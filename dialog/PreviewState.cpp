#include "Dialog.h"

namespace frostel {

bool gDialogOpen = false;
float gPreviewScale = 1.0f;
float gZoomLevel = -1.0f;
int32_t gViewX = 0;
int32_t gViewY = 0;

}  // namespace frostel
