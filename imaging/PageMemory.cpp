#include "PageMemory.h"

#include <atomic>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace frostel {
namespace {

std::atomic<int64_t> gLive{0};
std::atomic<int64_t> gAllocated{0};
std::atomic<int64_t> gFailCountdown{0};

bool InjectedFailure() {
    int64_t n = gFailCountdown.load();
    while (n > 0) {
        if (gFailCountdown.compare_exchange_weak(n, n - 1)) return n == 1;
    }
    return false;
}

}  // namespace

void* AllocPages(size_t size) {
    if (size == 0 || InjectedFailure()) return nullptr;
#ifdef _WIN32
    // Committed pages are zero-filled by the system.
    void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
#else
    void* p = std::calloc(1, size);
#endif
    if (p != nullptr) {
        ++gLive;
        ++gAllocated;
    }
    return p;
}

void FreePages(void* block) {
    if (block == nullptr) return;
#ifdef _WIN32
    VirtualFree(block, 0, MEM_RELEASE);
#else
    std::free(block);
#endif
    --gLive;
}

PageMemoryStats GetPageMemoryStats() { return {gLive.load(), gAllocated.load()}; }

void FailPageAllocationAfter(int64_t n) { gFailCountdown = n < 0 ? 0 : n; }

}  // namespace frostel
