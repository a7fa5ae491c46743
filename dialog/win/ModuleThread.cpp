#include "ModuleThread.h"

#include <new>

namespace frostel {

namespace {

struct ThreadStart {
    HMODULE module;
    void (*work)(void*);
    void* arg;
};

DWORD WINAPI ThreadMain(LPVOID p) {
    const ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    start.work(start.arg);
    FreeLibraryAndExitThread(start.module, 0);
}

}  // namespace

bool StartModuleThread(void (*work)(void*), void* arg, HANDLE* thread) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&StartModuleThread),
                            &module))
        return false;
    auto* start = new (std::nothrow) ThreadStart{module, work, arg};
    HANDLE h = start ? CreateThread(nullptr, 0, ThreadMain, start, 0, nullptr) : nullptr;
    if (!h) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    if (thread) *thread = h;
    else CloseHandle(h);
    return true;
}

}  // namespace frostel
