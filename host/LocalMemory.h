// The memory behind the module's own local handles: zeroed blocks from the
// system's global-memory allocator in the module, from calloc natively.
#pragma once

#include <cstddef>

namespace frostel {

void* AllocLocalBlock(size_t size);  // zeroed; null when out of memory
void FreeLocalBlock(void* block);    // null is ignored
size_t LocalBlockSize(const void* block);

}  // namespace frostel
