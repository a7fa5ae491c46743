// Native stand-in for the global-memory allocator: the size lives in a
// header in front of the block.
#include <cstdlib>

#include "LocalMemory.h"

namespace frostel {

namespace {
constexpr size_t kHeader = alignof(std::max_align_t);
}

void* AllocLocalBlock(size_t size) {
    if (size > size_t(-1) - kHeader) return nullptr;
    auto* p = static_cast<unsigned char*>(std::calloc(1, kHeader + (size ? size : 1)));
    if (p == nullptr) return nullptr;
    *reinterpret_cast<size_t*>(p) = size;
    return p + kHeader;
}

void FreeLocalBlock(void* block) {
    if (block != nullptr) std::free(static_cast<unsigned char*>(block) - kHeader);
}

size_t LocalBlockSize(const void* block) {
    return block ? *reinterpret_cast<const size_t*>(static_cast<const unsigned char*>(block) - kHeader) : 0;
}

}  // namespace frostel
