#include "Plugin.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Dialog.h"
#include "Effect.h"
#include "HostHandles.h"
#include "HostUtil.h"
#include "ImageTransfer.h"
#include "RectMath.h"
#include "Scripting.h"

namespace frostel {

pi::FilterRecord* gFilterRecord = nullptr;
pi::AboutRecord* gAboutRecord = nullptr;
intptr_t* gDataPtr = nullptr;
int16_t* gResult = nullptr;
pi::SPBasicSuite* gBasicSuite = nullptr;
FilterParameters* gParams = nullptr;
FilterData* gData = nullptr;
bool gActionSuitesPresent = false;
void* gModule = nullptr;

void SetResult(int16_t code) {
    if (gResult != nullptr) *gResult = code;
}
bool ResultOk() { return gResult == nullptr || *gResult == 0; }

namespace {

// Handles locked by the current call: only these are unlocked at its end.
pi::Handle gLockedParameters = nullptr;
pi::Handle gLockedData = nullptr;

pi::Handle DataHandle() {
    return gDataPtr != nullptr ? reinterpret_cast<pi::Handle>(*gDataPtr) : nullptr;
}

const pi::HandleProcs* Procs() { return gFilterRecord->handleProcs; }

// A new handle of `size` bytes, zero-filled so that no stale cache pointer or
// flag is ever read from it; null (and -108) when there is no memory.
pi::Handle NewZeroedHandle(int32_t size) {
    pi::Handle h = NewHostHandle(Procs(), size);
    if (h == nullptr) {
        SetResult(pi::memFullErr);
        return nullptr;
    }
    pi::Ptr p = LockHostHandle(Procs(), h, false);
    if (p == nullptr) {
        FreeHostHandle(Procs(), h);
        SetResult(pi::memFullErr);
        return nullptr;
    }
    std::memset(p, 0, size_t(size));
    UnlockHostHandle(Procs(), h);
    return h;
}

void Dispatch(int16_t selector) {
    switch (selector) {
        case pi::filterSelectorAbout: DoAbout(); break;
        case pi::filterSelectorParameters: DoParameters(); break;
        case pi::filterSelectorPrepare:
            InitModulePaths();
            DoPrepare();
            ReadIniFile();
            break;
        case pi::filterSelectorStart: DoStart(); break;
        case pi::filterSelectorContinue: DoContinue(); break;
        case pi::filterSelectorFinish: DoFinish(); break;
        default: break;  // unknown selectors are ignored
    }
}

}  // namespace

void CreateParametersHandle() {
    gFilterRecord->parameters = NewZeroedHandle(kParametersHandleSize);
}

void CreateDataHandle() {
    pi::Handle h = NewZeroedHandle(kDataHandleSize);
    if (h != nullptr) *gDataPtr = reinterpret_cast<intptr_t>(h);
}

void LockHandles() {
    pi::Handle parameters = gFilterRecord->parameters;
    pi::Handle data = DataHandle();
    if (parameters == nullptr || data == nullptr) {
        SetResult(pi::filterBadParameters);
        return;
    }
    gParams = reinterpret_cast<FilterParameters*>(LockHostHandle(Procs(), parameters, true));
    if (gParams != nullptr) gLockedParameters = parameters;
    gData = reinterpret_cast<FilterData*>(LockHostHandle(Procs(), data, true));
    if (gData != nullptr) gLockedData = data;
    if (gParams == nullptr || gData == nullptr) SetResult(pi::memFullErr);
}

void UnlockHandles() {
    // Data first, then parameters; never a handle this call did not lock.
    if (gLockedData != nullptr) UnlockHostHandle(Procs(), gLockedData);
    if (gLockedParameters != nullptr) UnlockHostHandle(Procs(), gLockedParameters);
    gLockedData = gLockedParameters = nullptr;
    gParams = nullptr;
    gData = nullptr;
}

bool HandlesLocked() { return gParams != nullptr && gData != nullptr; }

void SetParametersInitialised() { gData->showDialog = 1; }

void ResetWindowPlacement() {
    ApplyWindowPlacementDefaults(*gParams);
    InitParameters();
}

void InitParameters() {
    SetParametersInitialised();
    ApplyParameterDefaults(*gParams);
}

bool HasActionDescriptorSuites() {
    if (gBasicSuite == nullptr) return false;
    {
        ScopedSuite descriptors(pi::kPSActionDescriptorSuite, 3);
        if (!descriptors) return false;
    }
    ScopedSuite references(pi::kPSActionReferenceSuite, 3);
    const pi::PSActionReferenceProcs* procs = references.get<pi::PSActionReferenceProcs>();
    if (procs == nullptr || procs->Make == nullptr) return false;
    pi::PIActionReference ref = nullptr;
    if (procs->Make(&ref) != 0) return false;
    if (procs->Free != nullptr) procs->Free(ref);
    return true;
}

void DoParameters() {
    if (gFilterRecord->parameters == nullptr) CreateParametersHandle();
    if (DataHandle() == nullptr) CreateDataHandle();
    if (!ResultOk()) return;
    LockHandles();
    if (!ResultOk()) return;
    ResetWindowPlacement();
}

void DoPrepare() {
    pi::FilterRecord* fr = gFilterRecord;
    gActionSuitesPresent = HasActionDescriptorSuites();

    const bool newRecord = fr->parameters == nullptr;
    if (newRecord) CreateParametersHandle();
    if (DataHandle() == nullptr) {
        CreateDataHandle();
    } else if (!newRecord) {
        LockHandles();  // both kept by the host: the record keeps its values
    }
    if (ResultOk() && !HandlesLocked()) {
        // A new record, or a lost data record: start from the defaults.
        LockHandles();
        if (HandlesLocked()) {
            ResetWindowPlacement();
            SetParametersInitialised();
        }
    }

    // Keep the host's tiles small: two rows of 256 x 256 pixels of every plane.
    fr->bufferSpace = 0;
    const pi::VRect r = GetFilterRect(fr);
    const int32_t height = std::max(0, std::min(r.bottom - r.top, 256));
    const int32_t width = std::max(0, std::min(r.right - r.left, 256));
    const int32_t planes = fr->planes + (fr->maskData != nullptr ? 1 : 0);
    const int32_t budget = 2 * planes * height * width;
    if (fr->maxSpace > budget) fr->maxSpace = budget;
}

void DoStart() {
    LockHandles();
    if (!ResultOk()) return;
    // The last-used values, then the recorded action over them.
    ReadScriptParametersBySuite();
    bool show = false;
    const bool readOk = ReadScriptParameters(&show) == 0;
    // A document the filter cannot draw on gets its alert once, from the
    // write-back, and no dialog that could show nothing.
    const bool proceed = readOk && show && IsSupportedDocument(gFilterRecord) ? DoUI() : true;
    gData->showDialog = 0;
    if (!proceed) {
        SetResult(pi::userCanceledErr);
        return;
    }
    StartFilter();
}

void StartFilter() {
    pi::FilterRecord* fr = gFilterRecord;
    fr->outLoPlane = fr->inLoPlane = 0;
    fr->outHiPlane = fr->inHiPlane = int16_t(fr->planes - 1);
    InitModulePaths();

    const pi::VRect r = GetFilterRect(fr);
    SetInRect(fr, r);
    SetOutRect(fr, r);
    SetMaskRect(fr, r);
    fr->inputRate = 0x10000;
    fr->maskRate = 0x10000;

    // The whole image in one request: nothing is rendered unless the host
    // delivered both buffers.
    const pi::OSErr err = fr->advanceState != nullptr ? fr->advanceState() : pi::errPlugInHostInsufficient;
    if (err != pi::noErr)
        SetResult(err);
    else if (fr->inData == nullptr || fr->outData == nullptr)
        SetResult(pi::memFullErr);
    else if (ResultOk() && WriteResult() == RunStatus::Cancelled && ResultOk())
        SetResult(pi::userCanceledErr);  // the host's user stopped the render

    hostutil::MakeRect16(&fr->inRect, 0, 0, 0, 0);
    hostutil::MakeRect16(&fr->outRect, 0, 0, 0, 0);
    hostutil::MakeRect16(&fr->maskRect, 0, 0, 0, 0);
}

void DoContinue() {
    const pi::VRect empty{0, 0, 0, 0};
    SetInRect(gFilterRecord, empty);
    SetOutRect(gFilterRecord, empty);
    SetMaskRect(gFilterRecord, empty);
}

void DoFinish() {
    LockHandles();
    if (!ResultOk()) return;
    WriteScriptParameters();
    WriteScriptParametersBySuite();
}

}  // namespace frostel

using namespace frostel;

extern "C" void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    gDataPtr = data;
    gResult = result;
    if (record == nullptr) return;

    if (selector == pi::filterSelectorAbout) {
        gAboutRecord = static_cast<pi::AboutRecord*>(record);
        gFilterRecord = nullptr;
        gBasicSuite = gAboutRecord->sSPBasic;
    } else {
        gAboutRecord = nullptr;
        gFilterRecord = static_cast<pi::FilterRecord*>(record);
        gBasicSuite = gFilterRecord->sSPBasic;
        if (gFilterRecord->bigDocumentData != nullptr)
            gFilterRecord->bigDocumentData->PluginUsing32BitCoordinates = 1;
        if (gDataPtr == nullptr) {
            SetResult(pi::filterBadParameters);
            return;
        }
    }

    // Host error codes leave the module here and nowhere else.
    try {
        Dispatch(selector);
    } catch (const SuiteFailure&) {
        SetResult(pi::errPlugInHostInsufficient);
    } catch (const std::bad_alloc&) {
        SetResult(pi::memFullErr);
    } catch (...) {
        SetResult(pi::filterBadParameters);
    }

    // Nothing of ours runs, and nothing kept for the previews lingers, once the host has control.
    ReleasePreviewKeeps();
    if (selector != pi::filterSelectorAbout) UnlockHandles();
    gAboutRecord = nullptr;
}

extern "C" void PluginMain1(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    PluginMain(selector, record, data, result);
}
