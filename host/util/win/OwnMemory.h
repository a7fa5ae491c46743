// The module's own memory: moveable, zero-initialised global blocks handled
// by their locked pointer, and resizing of the module's own local handles
// (the fallback for hosts without handle callbacks).
#pragma once

#include "HostInterface.h"
#include "LocalHandleRecord.h"

#include <windows.h>

#include <cstddef>

namespace frostel::hostutil {

// A zeroed moveable block, locked; null when out of memory. A zero size
// gets a 1-byte block so the pointer stays unique.
void* AllocGlobalZeroed(size_t size);
// Null is ignored.
void FreeGlobal(void* block);
// The block's size (possibly rounded up by the system); 0 for null.
size_t GlobalBlockSize(const void* block);

// Owns one block from AllocGlobalZeroed.
class GlobalBlock {
public:
    explicit GlobalBlock(size_t size) : p_(AllocGlobalZeroed(size)) {}
    ~GlobalBlock() { FreeGlobal(p_); }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    void* get() const { return p_; }
    void* release() {
        void* p = p_;
        p_ = nullptr;
        return p;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    void* p_;
};

// Resizes the data block of an own local handle, keeping its contents (the
// added part zeroed). nilHandleErr for a null or foreign handle, memFullErr
// when the block cannot grow (the handle is then unchanged).
pi::OSErr ResizeLocalHandle(pi::Handle h, size_t newSize);

}  // namespace frostel::hostutil
