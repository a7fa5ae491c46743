#include "win/ResourceHandles.h"

#include "HandleResources.h"

#include <cstring>

namespace frostel::hostutil {

namespace {
pi::Handle BytesToHandle(const pi::HandleProcs* procs, const void* data, size_t size) {
    if (!procs || !procs->newProc || !procs->disposeProc || size > 0x7FFFFFFF) return nullptr;
    pi::Handle h = procs->newProc(pi::int32(size));
    if (!h || size == 0) return h;
    {
        HandleLock lock(procs, h);
        if (lock) {
            std::memcpy(lock.data(), data, size);
            return h;
        }
    }
    procs->disposeProc(h);
    return nullptr;
}
}  // namespace

pi::Handle LoadResourceToHandle(const pi::HandleProcs* procs, HINSTANCE module, LPCSTR type, int id) {
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!res) return nullptr;
    HGLOBAL loaded = LoadResource(module, res);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    return BytesToHandle(procs, data, SizeofResource(module, res));
}

pi::Handle LoadStringToHandle(const pi::HandleProcs* procs, HINSTANCE module, UINT id) {
    std::string text = LoadStringText(module, id);
    if (text.empty()) return nullptr;
    return BytesToHandle(procs, text.data(), text.size());
}

std::string LoadStringText(HINSTANCE module, UINT id) {
    char buf[4100];  // a string resource holds at most 4097 characters
    int n = LoadStringA(module, id, buf, sizeof buf);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

}  // namespace frostel::hostutil
