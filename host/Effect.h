// The render step of the effect: draws into gWorkRGBA, the work buffer that
// PrepareSourceImage made (ImageTransfer.h). Reports failures through the
// host's result word (gResult); the write-back writes nothing then.
//
// The scene driver (pattern/scene) defines both.
#pragma once

#include "RunStop.h"

namespace frostel {

// Grows and draws the crystal figures from the locked parameter record.
// Anything but Done: stopped part-way (RunStop.h), the work buffer holding
// no finished picture; everything it allocated is freed, and no geometry of
// an unfinished growth is kept. In the dialog the growth's and the frame's
// memory and the render's threads are kept for the next preview.
RunStatus RunEffect();

// Frees the bump texture and the engine arrays cached in the locked
// parameter record, when this loaded module wrote them; pointers it did not
// write are only forgotten. Then what the previews kept, as below. The
// dialog calls it when it closes, and every run outside the dialog at its end.
void FreeSceneCache();

// Frees the memory the previews kept for reuse and ends the render's
// threads. The entry calls it before it returns to the host.
void ReleasePreviewKeeps();

}  // namespace frostel
