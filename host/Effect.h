// The render step of the effect: draws into gWorkRGBA, the work buffer that
// PrepareSourceImage made (ImageTransfer.h). Reports failures through the
// host's result word (gResult); the write-back writes nothing then.
//
// The scene driver defines it. Until it joins, EffectPassThrough.cpp leaves
// the work buffer as the source copy, so the image passes through.
#pragma once

namespace frostel {

void RunEffect();

}  // namespace frostel
