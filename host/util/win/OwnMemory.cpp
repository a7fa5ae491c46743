#include "win/OwnMemory.h"

#include <cstring>

namespace frostel::hostutil {

void* AllocGlobalZeroed(size_t size) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
    if (!mem) return nullptr;
    void* p = GlobalLock(mem);
    if (!p) GlobalFree(mem);
    return p;
}

void FreeGlobal(void* block) {
    if (!block) return;
    HGLOBAL mem = GlobalHandle(block);
    if (!mem) return;
    GlobalUnlock(mem);
    GlobalFree(mem);
}

size_t GlobalBlockSize(const void* block) {
    if (!block) return 0;
    HGLOBAL mem = GlobalHandle(block);
    return mem ? GlobalSize(mem) : 0;
}

pi::OSErr ResizeLocalHandle(pi::Handle h, size_t newSize) {
    auto* rec = reinterpret_cast<OwnLocalHandleRecord*>(h);
    if (!rec || std::memcmp(rec->tag, kOwnLocalHandleTag, 4) != 0) return pi::nilHandleErr;
    if (!rec->data) {
        void* p = AllocGlobalZeroed(newSize);
        if (!p) return pi::memFullErr;
        rec->data = static_cast<pi::Ptr>(p);
        return pi::noErr;
    }
    HGLOBAL mem = GlobalHandle(rec->data);
    if (!mem) return pi::nilHandleErr;
    size_t oldSize = GlobalSize(mem);
    GlobalUnlock(mem);
    HGLOBAL grown = GlobalReAlloc(mem, newSize ? newSize : 1, GMEM_MOVEABLE | GMEM_ZEROINIT);
    void* p = GlobalLock(grown ? grown : mem);
    if (!grown || !p) {
        if (p) rec->data = static_cast<pi::Ptr>(p);  // still the old block
        return pi::memFullErr;
    }
    // Not every allocator zeroes what GlobalReAlloc adds.
    if (newSize > oldSize) std::memset(static_cast<char*>(p) + oldSize, 0, newSize - oldSize);
    rec->data = static_cast<pi::Ptr>(p);
    return pi::noErr;
}

}  // namespace frostel::hostutil
