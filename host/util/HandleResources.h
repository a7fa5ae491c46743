// Reading and extending host handles through the host's handle callbacks.
// Every function needs a table with get-size, lock and unlock entries
// (AppendHandle also set-size); without one it does nothing.
#pragma once

#include "HostInterface.h"

#include <cstddef>

namespace frostel::hostutil {

// Keeps a host handle locked for its lifetime.
class HandleLock {
public:
    HandleLock(const pi::HandleProcs* procs, pi::Handle h);
    ~HandleLock();
    HandleLock(const HandleLock&) = delete;
    HandleLock& operator=(const HandleLock&) = delete;
    pi::Ptr data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    const pi::HandleProcs* procs_;
    pi::Handle handle_;
    pi::Ptr data_ = nullptr;
};

// True when procs can size, lock and unlock handles.
bool CanReadHandles(const pi::HandleProcs* procs);

// Copies up to bufferSize bytes of the handle; returns the bytes copied.
size_t CopyHandleToBuffer(const pi::HandleProcs* procs, pi::Handle h, void* buffer, size_t bufferSize);

// The handle's bytes as a length-prefixed string of at most 254 characters,
// zero-terminated. False (out emptied) without handle or callbacks.
bool CopyHandleToPStr(const pi::HandleProcs* procs, pi::Handle h, pi::Str255& out);

// Reads the first three 32-bit numbers of the handle, stored with their
// bytes reversed. False when the handle holds fewer than 12 bytes.
bool ReadReversedInt32x3(const pi::HandleProcs* procs, pi::Handle h, pi::int32 out[3]);

// Appends src's bytes to dst (src may be dst). errPlugInHostInsufficient
// without the callbacks, nilHandleErr without handles, or the host's
// set-size error (dst then unchanged).
pi::OSErr AppendHandle(const pi::HandleProcs* procs, pi::Handle dst, pi::Handle src);

}  // namespace frostel::hostutil
