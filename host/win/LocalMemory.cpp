#include "LocalMemory.h"

#include "win/OwnMemory.h"

namespace frostel {

void* AllocLocalBlock(size_t size) { return hostutil::AllocGlobalZeroed(size); }
void FreeLocalBlock(void* block) { hostutil::FreeGlobal(block); }
size_t LocalBlockSize(const void* block) { return hostutil::GlobalBlockSize(block); }

}  // namespace frostel
