// Handles: through the host's handle callbacks when it offers them, else
// through the module's own local handles (a record tagged "OTOF" pointing at
// a zeroed data block), so that the module keeps its records either way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostInterface.h"

namespace frostel {

// True when the table can create, dispose, size, lock and unlock handles:
// version 1 or later with at least those six entries. `newer` (optional)
// reports a table version above the one this module was built for.
bool HandleProcsAvailable(const pi::HandleProcs* procs, bool* newer = nullptr);

// The wrappers every part of the module uses. A handle the module made
// itself is always served by the fallback, and only such handles are ever
// freed by it; a host handle without host callbacks is left alone.
pi::Handle NewHostHandle(const pi::HandleProcs* procs, int32_t size);
void FreeHostHandle(const pi::HandleProcs* procs, pi::Handle h);
// The handle's size, the host's 32-bit answer sign-extended.
ptrdiff_t GetHostHandleSize(const pi::HandleProcs* procs, pi::Handle h);
pi::Ptr LockHostHandle(const pi::HandleProcs* procs, pi::Handle h, bool moveHigh);
void UnlockHostHandle(const pi::HandleProcs* procs, pi::Handle h);

// The own local handles. Allocation failure gives null and sets the memory
// error to -108; the size of a missing handle is 0 with -109.
pi::Handle NewLocalHandle(size_t size);
void FreeLocalHandle(pi::Handle h);
size_t GetLocalHandleSize(pi::Handle h);
// True for a live handle made by NewLocalHandle (it carries the tag).
bool IsLocalHandle(pi::Handle h);
int LiveLocalHandles();

// 0, -108 or -109: the last memory error of the local handles.
extern pi::OSErr gLocalMemoryError;

}  // namespace frostel
