#include "HostHandles.h"

#include <cstring>
#include <unordered_set>

#include "LocalHandleRecord.h"
#include "LocalMemory.h"

namespace frostel {

using hostutil::kOwnLocalHandleTag;
using hostutil::OwnLocalHandleRecord;

pi::OSErr gLocalMemoryError = pi::noErr;

namespace {

// Every live own handle; a handle is only ever read as one of ours when it
// is listed here, so a host's handle is never mistaken for one. Never
// destroyed: the host keeps our handles until the process ends.
std::unordered_set<pi::Handle>& LiveLocal() {
    static auto* live = new std::unordered_set<pi::Handle>;
    return *live;
}

OwnLocalHandleRecord* LocalRecord(pi::Handle h) {
    if (h == nullptr || LiveLocal().count(h) == 0) return nullptr;
    auto* rec = reinterpret_cast<OwnLocalHandleRecord*>(h);
    return std::memcmp(rec->tag, kOwnLocalHandleTag, sizeof rec->tag) == 0 ? rec : nullptr;
}

// The entries the wrappers call.
constexpr int16_t kEntriesUsed = 6;

}  // namespace

bool HandleProcsAvailable(const pi::HandleProcs* procs, bool* newer) {
    if (newer != nullptr) *newer = false;
    if (procs == nullptr || procs->handleProcsVersion < 1) return false;
    if (newer != nullptr) *newer = procs->handleProcsVersion > pi::kCurrentHandleProcsVersion;
    return procs->numHandleProcs >= kEntriesUsed && procs->newProc != nullptr && procs->disposeProc != nullptr &&
           procs->getSizeProc != nullptr && procs->setSizeProc != nullptr && procs->lockProc != nullptr &&
           procs->unlockProc != nullptr;
}

pi::Handle NewLocalHandle(size_t size) {
    auto* rec = static_cast<OwnLocalHandleRecord*>(AllocLocalBlock(sizeof(OwnLocalHandleRecord)));
    void* data = rec != nullptr ? AllocLocalBlock(size) : nullptr;
    if (data == nullptr) {
        FreeLocalBlock(rec);
        gLocalMemoryError = pi::memFullErr;
        return nullptr;
    }
    rec->data = static_cast<pi::Ptr>(data);
    std::memcpy(rec->tag, kOwnLocalHandleTag, sizeof rec->tag);
    auto h = reinterpret_cast<pi::Handle>(rec);
    LiveLocal().insert(h);
    gLocalMemoryError = pi::noErr;
    return h;
}

void FreeLocalHandle(pi::Handle h) {
    OwnLocalHandleRecord* rec = LocalRecord(h);
    if (rec == nullptr) return;
    LiveLocal().erase(h);
    FreeLocalBlock(rec->data);
    std::memset(rec, 0, sizeof *rec);
    FreeLocalBlock(rec);
}

size_t GetLocalHandleSize(pi::Handle h) {
    const OwnLocalHandleRecord* rec = LocalRecord(h);
    if (rec == nullptr) {
        gLocalMemoryError = pi::nilHandleErr;
        return 0;
    }
    gLocalMemoryError = pi::noErr;
    return LocalBlockSize(rec->data);
}

bool IsLocalHandle(pi::Handle h) { return LocalRecord(h) != nullptr; }

int LiveLocalHandles() { return int(LiveLocal().size()); }

pi::Handle NewHostHandle(const pi::HandleProcs* procs, int32_t size) {
    if (size < 0) return nullptr;
    if (HandleProcsAvailable(procs)) return procs->newProc(size);
    return NewLocalHandle(size_t(size));
}

void FreeHostHandle(const pi::HandleProcs* procs, pi::Handle h) {
    if (h == nullptr) return;
    if (IsLocalHandle(h))
        FreeLocalHandle(h);
    else if (HandleProcsAvailable(procs))
        procs->disposeProc(h);
}

ptrdiff_t GetHostHandleSize(const pi::HandleProcs* procs, pi::Handle h) {
    if (IsLocalHandle(h)) return ptrdiff_t(GetLocalHandleSize(h));
    if (h != nullptr && HandleProcsAvailable(procs)) return ptrdiff_t(procs->getSizeProc(h));
    gLocalMemoryError = pi::nilHandleErr;
    return 0;
}

pi::Ptr LockHostHandle(const pi::HandleProcs* procs, pi::Handle h, bool moveHigh) {
    // Own blocks stay locked from birth: the lock is the data pointer.
    if (const OwnLocalHandleRecord* rec = LocalRecord(h)) return rec->data;
    if (h != nullptr && HandleProcsAvailable(procs)) return procs->lockProc(h, moveHigh ? 1 : 0);
    return nullptr;
}

void UnlockHostHandle(const pi::HandleProcs* procs, pi::Handle h) {
    if (h == nullptr || IsLocalHandle(h)) return;
    if (HandleProcsAvailable(procs)) procs->unlockProc(h);
}

}  // namespace frostel
