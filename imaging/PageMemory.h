// Page memory: the zero-filled, explicitly freed blocks that every image-sized
// buffer of the filter lives in (source copy, work buffer, frames, z-buffer,
// layer planes, engine arrays). In the module they come straight from the
// system's virtual-memory allocator; natively from calloc, so the portable
// code builds and runs under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frostel {

// A zero-filled block of `size` bytes; null when the memory cannot be had
// (never throws). A size of 0 also gives null.
void* AllocPages(size_t size);
// Frees a block from AllocPages; null is ignored.
void FreePages(void* block);

// Counters over the process, for leak checks of whole operations.
struct PageMemoryStats {
    int64_t live;       // blocks allocated and not yet freed
    int64_t allocated;  // successful allocations since start
};
PageMemoryStats GetPageMemoryStats();

// Makes the n-th allocation from now fail (1 = the next one); 0 switches the
// fault off. Lets callers prove that every failure path is clean.
void FailPageAllocationAfter(int64_t n);

// Owns one block.
class PageBlock {
public:
    PageBlock() = default;
    explicit PageBlock(size_t size) : p_(AllocPages(size)) {}
    ~PageBlock() { FreePages(p_); }
    PageBlock(PageBlock&& o) noexcept : p_(o.release()) {}
    PageBlock& operator=(PageBlock&& o) noexcept {
        if (this != &o) {
            FreePages(p_);
            p_ = o.release();
        }
        return *this;
    }
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;

    void* get() const { return p_; }
    template <typename T>
    T* as() const { return static_cast<T*>(p_); }
    void* release() {
        void* p = p_;
        p_ = nullptr;
        return p;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    void* p_ = nullptr;
};

}  // namespace frostel
