#include <cstring>

#include "Effect.h"
#include "ImageTransfer.h"

namespace frostel {

void RunEffect() {
    if (gWorkRGBA != nullptr && gSourceRGBA != nullptr)
        std::memcpy(gWorkRGBA, gSourceRGBA, size_t(gRowBytes) * size_t(gWorkHeight));
}

}  // namespace frostel
