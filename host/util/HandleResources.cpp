#include "HandleResources.h"

#include "PascalString.h"

#include <algorithm>
#include <cstring>

namespace frostel::hostutil {

HandleLock::HandleLock(const pi::HandleProcs* procs, pi::Handle h) : procs_(procs), handle_(h) {
    if (procs_ && procs_->lockProc && procs_->unlockProc && handle_)
        data_ = procs_->lockProc(handle_, false);
}

HandleLock::~HandleLock() {
    if (data_) procs_->unlockProc(handle_);
}

bool CanReadHandles(const pi::HandleProcs* procs) {
    return procs && procs->getSizeProc && procs->lockProc && procs->unlockProc;
}

namespace {
size_t SizeOf(const pi::HandleProcs* procs, pi::Handle h) {
    pi::int32 n = procs->getSizeProc(h);
    return n > 0 ? size_t(n) : 0;
}
}  // namespace

size_t CopyHandleToBuffer(const pi::HandleProcs* procs, pi::Handle h, void* buffer, size_t bufferSize) {
    if (!CanReadHandles(procs) || !h || !buffer) return 0;
    size_t n = std::min(SizeOf(procs, h), bufferSize);
    if (n == 0) return 0;
    HandleLock lock(procs, h);
    if (!lock) return 0;
    std::memcpy(buffer, lock.data(), n);
    return n;
}

bool CopyHandleToPStr(const pi::HandleProcs* procs, pi::Handle h, pi::Str255& out) {
    out[0] = 0;
    out[1] = 0;
    if (!CanReadHandles(procs) || !h) return false;
    size_t n = CopyHandleToBuffer(procs, h, out + 1, kPStrMax - 1);
    out[0] = static_cast<unsigned char>(n);
    out[n + 1] = 0;
    return true;
}

bool ReadReversedInt32x3(const pi::HandleProcs* procs, pi::Handle h, pi::int32 out[3]) {
    unsigned char raw[12];
    if (!out || CopyHandleToBuffer(procs, h, raw, sizeof raw) != sizeof raw) return false;
    for (int i = 0; i < 3; ++i) {
        ReverseBytes(raw + 4 * i, 4);
        std::memcpy(&out[i], raw + 4 * i, 4);
    }
    return true;
}

pi::OSErr AppendHandle(const pi::HandleProcs* procs, pi::Handle dst, pi::Handle src) {
    if (!CanReadHandles(procs) || !procs->setSizeProc) return pi::errPlugInHostInsufficient;
    if (!dst || !src) return pi::nilHandleErr;
    size_t a = SizeOf(procs, dst), b = SizeOf(procs, src);
    if (b == 0) return pi::noErr;
    if (a + b > 0x7FFFFFFF) return pi::memFullErr;
    if (pi::OSErr err = procs->setSizeProc(dst, pi::int32(a + b))) return err;
    HandleLock to(procs, dst);
    if (!to) return pi::nilHandleErr;
    if (src == dst) {
        std::memcpy(to.data() + a, to.data(), b);
    } else {
        HandleLock from(procs, src);
        if (!from) return pi::nilHandleErr;
        std::memcpy(to.data() + a, from.data(), b);
    }
    return pi::noErr;
}

}  // namespace frostel::hostutil
