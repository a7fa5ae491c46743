#include "Workers.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "AboutText.h"
#include "ModuleThread.h"
#include "UpdateCheck.h"
#include "WebClient.h"

namespace frostel {

std::atomic<uint8_t> gUpdateFlags[2] = {{0}, {0}};

namespace {

// One worker's thread handle and busy flag. The busy flag is taken by the
// starter (so two quick requests never start two workers) and given back by
// the worker as its last act before it releases the module.
struct WorkerSlot {
    std::atomic<bool> busy{false};
    std::mutex lock;  // guards `thread` between starters and StopDialogWorkers
    HANDLE thread = nullptr;
};

WorkerSlot gShell;
WorkerSlot gUpdate;
HttpCancel gUpdateCancel;
std::atomic<ShellOpener> gShellOpener{nullptr};
std::string gUpdateServer = kUpdateServer;  // host thread only
HttpLimits gUpdateLimits;  // host thread only

void DefaultShellOpen(HWND owner, const char* text) {
    // The shell may use COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellExecuteA(owner, "open", text, nullptr, nullptr, SW_SHOW);
    if (SUCCEEDED(com)) CoUninitialize();
}

struct WorkerStart {
    WorkerSlot* slot;
    void (*work)(WorkerStart&);
    HWND owner;
    std::string text;  // shell: what to open; update: the request URL
    HttpLimits limits;  // update: the request's bounds
};

void WorkerMain(void* p) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(p));
    try {
        start->work(*start);
    } catch (...) {
        // Nothing to report: the request is dropped.
    }
    WorkerSlot* slot = start->slot;
    start.reset();
    slot->busy = false;
}

// Starts a worker when the slot is free; the slot stays taken until it ends.
bool StartWorker(WorkerSlot& slot, std::unique_ptr<WorkerStart> start) {
    bool expected = false;
    if (!slot.busy.compare_exchange_strong(expected, true)) return false;
    start->slot = &slot;
    std::lock_guard<std::mutex> guard(slot.lock);
    if (slot.thread) CloseHandle(slot.thread);  // an earlier worker that has ended
    slot.thread = nullptr;
    if (!StartModuleThread(WorkerMain, start.get(), &slot.thread)) {
        slot.busy = false;
        return false;
    }
    start.release();  // the worker owns it now
    return true;
}

void ShellWork(WorkerStart& s) {
    ShellOpener open = gShellOpener.load();
    (open ? open : DefaultShellOpen)(s.owner, s.text.c_str());
}

void UpdateWork(WorkerStart& s) {
    const auto reply = HttpGet(s.text, s.limits, &gUpdateCancel);
    if (!reply || reply->status != 200) return;
    uint8_t flags[2] = {gUpdateFlags[0], gUpdateFlags[1]};
    if (ParseUpdateReply(reply->body, flags)) {
        gUpdateFlags[0] = flags[0];
        gUpdateFlags[1] = flags[1];
    }
}

// Waits for a slot's worker until `until`; closes the handle either way (a
// worker still running keeps the module and ends on its own).
bool WaitForWorker(WorkerSlot& slot, ULONGLONG until) {
    std::lock_guard<std::mutex> guard(slot.lock);
    if (!slot.thread) return !slot.busy;
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = now >= until ? 0 : DWORD(until - now);
    const bool ended = WaitForSingleObject(slot.thread, wait) == WAIT_OBJECT_0;
    CloseHandle(slot.thread);
    slot.thread = nullptr;
    return ended;
}

}  // namespace

HINSTANCE ThisModuleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModuleInstance), &module);
    return module;
}

std::string ModuleHelpFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(ThisModuleInstance(), path, MAX_PATH);
    return HelpFolderOf(n > 0 && n < MAX_PATH ? std::string(path, n) : std::string());
}

bool StartHelpThread(int topic, HWND owner) {
    if (gShell.busy) return false;
    auto start = std::make_unique<WorkerStart>();
    start->work = ShellWork;
    start->owner = owner;
    start->text = ModuleHelpFolder() + HelpPageFile(topic);
    return StartWorker(gShell, std::move(start));
}

bool ShellOpenAsync(const char* text, HWND owner) {
    if (!text || gShell.busy) return false;
    auto start = std::make_unique<WorkerStart>();
    start->work = ShellWork;
    start->owner = owner;
    start->text = text;
    return StartWorker(gShell, std::move(start));
}

bool ShellWorkerBusy() { return gShell.busy; }

void SetShellOpener(ShellOpener opener) { gShellOpener = opener; }

bool UpdateAvailable() { return gUpdateFlags[0] != 0 || gUpdateFlags[1] != 0; }

bool StartUpdateCheckWithToken(const std::string& hostToken) {
    if (gUpdate.busy) return false;
    auto start = std::make_unique<WorkerStart>();
    start->work = UpdateWork;
    start->owner = nullptr;
    start->text = UpdateCheckUrl(gUpdateServer, hostToken);
    start->limits = gUpdateLimits;
    gUpdateCancel.Reset();
    return StartWorker(gUpdate, std::move(start));
}

bool UpdateCheckRunning() { return gUpdate.busy; }

void OpenUpdatesPage(HWND owner) {
    ShellOpenAsync(UpdatesPageUrl(gUpdateServer).c_str(), owner);
}

void SetUpdateServer(const char* authority) { gUpdateServer = authority ? authority : kUpdateServer; }

void SetUpdateLimits(const HttpLimits* limits) { gUpdateLimits = limits ? *limits : HttpLimits{}; }

bool StopDialogWorkers(DWORD waitMs, DWORD graceMs) {
    const ULONGLONG until = GetTickCount64() + waitMs;
    if (graceMs > 0 && gUpdate.busy) {
        std::lock_guard<std::mutex> guard(gUpdate.lock);
        if (gUpdate.thread) WaitForSingleObject(gUpdate.thread, graceMs < waitMs ? graceMs : waitMs);
    }
    if (gUpdate.busy) gUpdateCancel.Cancel();
    const bool update = WaitForWorker(gUpdate, until);
    const bool shell = WaitForWorker(gShell, until);
    return update && shell;
}

}  // namespace frostel
