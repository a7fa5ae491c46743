// The render step of the effect: draws into gWorkRGBA, the work buffer that
// PrepareSourceImage made (ImageTransfer.h). Reports failures through the
// host's result word (gResult); the write-back writes nothing then.
//
// The scene driver (pattern/scene) defines both.
#pragma once

namespace frostel {

// Grows and draws the crystal figures from the locked parameter record.
void RunEffect();

// Frees the bump texture and the engine arrays cached in the locked
// parameter record, when this loaded module wrote them; pointers it did not
// write are only forgotten. The dialog calls it when it closes.
void FreeSceneCache();

}  // namespace frostel
