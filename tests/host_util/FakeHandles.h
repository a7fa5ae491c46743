// A minimal host handle table for tests: handles are malloc'd blocks with a
// size and a lock count.
#pragma once

#include "HostInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace fakehandles {

struct FakeHandle {
    char* data;
    pi::int32 size;
    int locks;
};
inline int gFailSetSize = 0;

inline FakeHandle* F(pi::Handle h) { return reinterpret_cast<FakeHandle*>(h); }
inline pi::Handle NewH(pi::int32 size) {
    auto* h = new FakeHandle{static_cast<char*>(std::calloc(size_t(size) + 1, 1)), size, 0};
    return reinterpret_cast<pi::Handle>(h);
}
inline void DisposeH(pi::Handle h) {
    std::free(F(h)->data);
    delete F(h);
}
inline pi::int32 SizeH(pi::Handle h) { return F(h)->size; }
inline pi::OSErr SetSizeH(pi::Handle h, pi::int32 n) {
    if (gFailSetSize) return pi::memFullErr;
    EXPECT_EQ(F(h)->locks, 0) << "resized while locked";
    F(h)->data = static_cast<char*>(std::realloc(F(h)->data, size_t(n) + 1));
    F(h)->size = n;
    return pi::noErr;
}
inline pi::Ptr LockH(pi::Handle h, pi::Boolean) {
    ++F(h)->locks;
    return F(h)->data;
}
inline void UnlockH(pi::Handle h) { --F(h)->locks; }

inline pi::HandleProcs Procs() {
    pi::HandleProcs p{};
    p.handleProcsVersion = 1;
    p.numHandleProcs = 9;
    p.newProc = NewH;
    p.disposeProc = DisposeH;
    p.getSizeProc = SizeH;
    p.setSizeProc = SetSizeH;
    p.lockProc = LockH;
    p.unlockProc = UnlockH;
    return p;
}

inline std::string Bytes(pi::Handle h) { return std::string(F(h)->data, size_t(F(h)->size)); }

// Disposes the handle at scope end.
struct OwnedHandle {
    pi::Handle h;
    explicit OwnedHandle(pi::Handle adopt) : h(adopt) {}
    explicit OwnedHandle(const std::string& bytes) : h(NewH(pi::int32(bytes.size()))) {
        std::memcpy(F(h)->data, bytes.data(), bytes.size());
    }
    ~OwnedHandle() {
        if (h) DisposeH(h);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    std::string Bytes() const { return fakehandles::Bytes(h); }
};

}  // namespace fakehandles
