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

// Blocks kept for reuse. The first touch of a fresh page can cost far more
// than the work done in it (here a fault of 15-30 us a 4 KB page, and under
// Wine every block is fresh). While the dialog's previews grow and draw again
// and again, blocks handed back with ShelvePages wait for the next TakePages
// instead of going back to the system.
//
// Keeping on or off; turning it off frees every kept block.
void KeepShelvedPages(bool keep);
// The most bytes kept: a large preview's growth and frame.
constexpr size_t kMostShelvedBytes = sizeof(void*) >= 8 ? size_t(256) << 20 : size_t(64) << 20;
// A block of at least `size` bytes: a kept one when one fits (up to twice the
// size), with the bytes it was left with; else a fresh zero-filled one. Null
// when memory cannot be had. Counted, and made to fail, as AllocPages.
void* TakePages(size_t size);
// Keeps a block from AllocPages or TakePages while keeping is on and the kept
// blocks stay within their limit; frees it otherwise. Null is ignored.
void ShelvePages(void* block);

// Counters over the process, for leak checks of whole operations.
struct PageMemoryStats {
    int64_t live;       // blocks allocated and not yet freed, the kept ones among them
    int64_t allocated;  // successful allocations since start, reuses included
    int64_t kept;       // blocks waiting on the shelf
    int64_t reused;     // TakePages calls a kept block answered
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
    // A block from TakePages (its bytes as they were left), shelved again when let go of.
    static PageBlock Taken(size_t size) {
        PageBlock b;
        b.p_ = TakePages(size);
        b.shelve_ = true;
        return b;
    }
    ~PageBlock() { Drop(); }
    PageBlock(PageBlock&& o) noexcept : shelve_(o.shelve_) { p_ = o.release(); }
    PageBlock& operator=(PageBlock&& o) noexcept {
        if (this != &o) {
            Drop();
            shelve_ = o.shelve_;
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
    void Drop() {
        if (shelve_) ShelvePages(p_);
        else FreePages(p_);
    }
    void* p_ = nullptr;
    bool shelve_ = false;
};

}  // namespace frostel
