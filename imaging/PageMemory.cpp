#include "PageMemory.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <malloc.h>

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

// The bytes a block can hold: at least what was asked for.
size_t BlockSize(void* block) {
#ifdef _WIN32
    MEMORY_BASIC_INFORMATION m;
    return VirtualQuery(block, &m, sizeof m) == sizeof m ? m.RegionSize : 0;
#else
    return malloc_usable_size(block);
#endif
}

struct Kept {
    void* block;
    size_t size;
};
constexpr int kMostKeptBlocks = 512;
std::mutex gShelfMutex;
Kept gShelf[kMostKeptBlocks];
int gKeptCount = 0;
size_t gKeptBytes = 0;
bool gKeeping = false;
std::atomic<int64_t> gReused{0};

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

void KeepShelvedPages(bool keep) {
    Kept freed[kMostKeptBlocks];
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(gShelfMutex);
        gKeeping = keep;
        if (keep) return;
        count = gKeptCount;
        std::copy(gShelf, gShelf + count, freed);
        gKeptCount = 0;
        gKeptBytes = 0;
    }
    for (int i = 0; i < count; ++i) FreePages(freed[i].block);
}

void* TakePages(size_t size) {
    if (size == 0) return nullptr;
    {
        std::lock_guard<std::mutex> lock(gShelfMutex);
        // The smallest kept block that fits, so that large ones stay for large needs.
        int best = -1;
        for (int i = 0; i < gKeptCount; ++i)
            if (gShelf[i].size >= size && gShelf[i].size / 2 <= size && (best < 0 || gShelf[i].size < gShelf[best].size))
                best = i;
        if (best >= 0) {
            if (InjectedFailure()) return nullptr;
            void* block = gShelf[best].block;
            gKeptBytes -= gShelf[best].size;
            gShelf[best] = gShelf[--gKeptCount];
            ++gAllocated;
            ++gReused;
            return block;
        }
    }
    return AllocPages(size);
}

void ShelvePages(void* block) {
    if (block == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(gShelfMutex);
        const size_t size = gKeeping && gKeptCount < kMostKeptBlocks ? BlockSize(block) : 0;
        if (size > 0 && size <= kMostShelvedBytes - gKeptBytes) {
            gShelf[gKeptCount++] = {block, size};
            gKeptBytes += size;
            return;
        }
    }
    FreePages(block);
}

PageMemoryStats GetPageMemoryStats() {
    std::lock_guard<std::mutex> lock(gShelfMutex);
    return {gLive.load(), gAllocated.load(), gKeptCount, gReused.load()};
}

void FailPageAllocationAfter(int64_t n) { gFailCountdown = n < 0 ? 0 : n; }

}  // namespace frostel
