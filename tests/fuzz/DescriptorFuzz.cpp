// Fuzz target: the module's scripting reads of what a host hands back: the
// recorded descriptor through the classic callbacks, the registry entry
// through the action-descriptor suite and the host's version through the
// action suites. The host here plays its part from the input bytes: keys
// known and unknown, any types, failing gets, any bits for a double, failed
// opens and missing objects. Whatever it does, the record holds only values
// the sanitiser allows, nothing outside the 47 parameters changes, every
// descriptor and reference handed out is freed once, the recorded
// descriptor is closed and disposed of exactly when it was opened, and
// every suite acquired is released; a key list that never ends still ends
// the read.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "FilterParameters.h"
#include "HostInterface.h"
#include "HostSuites.h"
#include "ParameterSanitizer.h"
#include "Plugin.h"
#include "Scripting.h"

using namespace frostel;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "descriptor read: %s\n", what);
    std::abort();
}

// The host's answers, taken from the input in order; zeros once it is spent.
struct Script {
    const uint8_t* data = nullptr;
    size_t size = 0, at = 0;
    bool spent() const { return at >= size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return v;
    }
    double Double() {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    // Mostly success; now and then one of the host's error codes.
    pi::OSErr Result() {
        const uint8_t b = Byte();
        return b < 200 ? pi::OSErr(0) : (b < 230 ? pi::OSErr(-1715) : pi::OSErr(-1700));
    }
    // Mostly the filter's own keys, some others.
    uint32_t Key() {
        const uint8_t b = Byte();
        return b < 200 ? ParameterKeys[b % kParameterCount].key : U32();
    }
};

struct Host {
    Script script;
    int opens = 0, closes = 0, disposals = 0, keysGiven = 0;
    std::set<uintptr_t> liveObjects;  // descriptors and references handed out, not yet freed
    uintptr_t nextObject = 0x1000;
    std::map<std::string, int> acquired;
    int32_t version = 0;  // the version the host told, when it told one
    bool told = false, limited = false;
    bool endless = false;  // getKey never says no
};
Host* gHost = nullptr;

// ---- Classic descriptor callbacks -----------------------------------------------
pi::PIReadDescriptor OpenRead(pi::PIDescriptorHandle, pi::DescriptorKeyIDArray) {
    if (gHost->script.Byte() >= 240) return nullptr;
    ++gHost->opens;
    return reinterpret_cast<pi::PIReadDescriptor>(uintptr_t(0xD00D));
}
pi::OSErr CloseRead(pi::PIReadDescriptor) {
    ++gHost->closes;
    return gHost->script.Result();
}
pi::Boolean GetKey(pi::PIReadDescriptor, pi::DescriptorKeyID* key, pi::DescType* type, pi::int32* flags) {
    if (gHost->script.spent()) {
        // A broken host whose key list never ends: keys nobody knows.
        if (!gHost->endless) return false;
        if (++gHost->keysGiven > 100000) Fail("the read does not end");
        *key = pi::FourCC("Junk");
        return true;
    }
    *key = gHost->script.Key();
    *type = gHost->script.U32();
    *flags = 0;
    ++gHost->keysGiven;
    return true;
}
pi::OSErr GetInteger(pi::PIReadDescriptor, pi::int32* v) {
    *v = pi::int32(gHost->script.U32());
    return gHost->script.Result();
}
pi::OSErr GetFloat(pi::PIReadDescriptor, double* v) {
    *v = gHost->script.Double();
    return gHost->script.Result();
}

void Dispose(pi::Handle) { ++gHost->disposals; }
pi::Handle NewHandle(pi::int32) { return nullptr; }
pi::int32 HandleSize(pi::Handle) { return 0; }
pi::OSErr SetHandleSize(pi::Handle, pi::int32) { return -108; }
pi::Ptr LockHandle(pi::Handle, pi::Boolean) { return nullptr; }
void UnlockHandle(pi::Handle) {}

// ---- Action suites ----------------------------------------------------------------
uintptr_t NewObject() {
    const uintptr_t o = gHost->nextObject += 16;
    gHost->liveObjects.insert(o);
    return o;
}
pi::OSErr FreeObject(uintptr_t o) {
    if (gHost->liveObjects.erase(o) != 1) Fail("an object freed twice or never handed out");
    return 0;
}
template <typename T>
pi::OSErr Give(T* out) {
    if (gHost->script.Byte() >= 240) {
        *out = nullptr;
        return -1715;
    }
    *out = reinterpret_cast<T>(NewObject());
    return 0;
}

pi::OSErr DescMake(pi::PIActionDescriptor* d) { return Give(d); }
pi::OSErr DescFree(pi::PIActionDescriptor d) { return FreeObject(uintptr_t(d)); }
pi::OSErr DescHasKey(pi::PIActionDescriptor, pi::DescriptorKeyID, pi::Boolean* has) {
    *has = gHost->script.Byte() < 200;
    return gHost->script.Result();
}
pi::OSErr DescGetInteger(pi::PIActionDescriptor, pi::DescriptorKeyID key, pi::int32* v) {
    *v = pi::int32(gHost->script.U32());
    const pi::OSErr err = gHost->script.Result();
    if (key == pi::FourCC("VrsM") && err == 0) gHost->version = *v, gHost->told = true;
    return err;
}
pi::OSErr DescGetFloat(pi::PIActionDescriptor, pi::DescriptorKeyID, double* v) {
    *v = gHost->script.Double();
    return gHost->script.Result();
}
pi::OSErr DescGetBoolean(pi::PIActionDescriptor, pi::DescriptorKeyID, pi::Boolean* v) {
    *v = gHost->script.Byte() & 1;
    const pi::OSErr err = gHost->script.Result();
    if (*v && err == 0) gHost->limited = true;
    return err;
}
pi::OSErr DescGetObject(pi::PIActionDescriptor, pi::DescriptorKeyID, pi::DescriptorClassID* cls,
                        pi::PIActionDescriptor* d) {
    *cls = gHost->script.U32();
    return Give(d);
}

pi::OSErr RefMake(pi::PIActionReference* r) { return Give(r); }
pi::OSErr RefFree(pi::PIActionReference r) { return FreeObject(uintptr_t(r)); }
pi::OSErr RefPutEnumerated(pi::PIActionReference, pi::DescriptorClassID, pi::DescriptorEnumTypeID,
                           pi::DescriptorEnumID) {
    return gHost->script.Result();
}

pi::OSErr ControlGet(pi::PIActionDescriptor* d, pi::PIActionReference) { return Give(d); }
pi::OSErr ControlStringToKey(char*, pi::DescriptorTypeID* key) {
    *key = gHost->script.U32();
    return gHost->script.Result();
}

pi::OSErr RegistryGet(const char* key, pi::PIActionDescriptor* d) {
    if (std::strcmp(key, kRegistryKey) != 0) Fail("registry asked for another key");
    return Give(d);
}
pi::OSErr RegistryRegister(const char*, pi::PIActionDescriptor, pi::Boolean) { return 0; }

pi::PSActionDescriptorProcs gDescriptors{};
pi::PSActionReferenceProcs gReferences{};
pi::PSActionControlProcs gControl{};
pi::PSDescriptorRegistryProcs gRegistry{};

pi::SPErr Acquire(const char* name, pi::int32 version, const void** suite) {
    *suite = nullptr;
    // Now and then a suite is missing.
    if (gHost->script.Byte() >= 245) return pi::FourCC("S!Fd");
    const std::string n = name;
    if (n == pi::kPSActionDescriptorSuite) *suite = &gDescriptors;
    else if (n == pi::kPSActionReferenceSuite) *suite = &gReferences;
    else if (n == pi::kPSActionControlSuite) *suite = &gControl;
    else if (n == pi::kPSDescriptorRegistrySuite) *suite = &gRegistry;
    else return pi::FourCC("S!Fd");
    ++gHost->acquired[n + "@" + std::to_string(version)];
    return 0;
}
pi::SPErr Release(const char* name, pi::int32 version) {
    if (--gHost->acquired[std::string(name) + "@" + std::to_string(version)] < 0) Fail("a suite released twice");
    return 0;
}

void SetUpSuites() {
    gDescriptors.Make = DescMake;
    gDescriptors.Free = DescFree;
    gDescriptors.HasKey = DescHasKey;
    gDescriptors.GetInteger = DescGetInteger;
    gDescriptors.GetFloat = DescGetFloat;
    gDescriptors.GetBoolean = DescGetBoolean;
    gDescriptors.GetObject = DescGetObject;
    gReferences.Make = RefMake;
    gReferences.Free = RefFree;
    gReferences.PutEnumerated = RefPutEnumerated;
    gControl.Get = ControlGet;
    gControl.StringIDToTypeID = ControlStringToKey;
    gRegistry.Get = RegistryGet;
    gRegistry.Register = RegistryRegister;
}

// Everything outside the 47 parameters, which no read may touch.
void CheckOnlyParametersChanged(const FilterParameters& before, const FilterParameters& after) {
    FilterParameters a = before, b = after;
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            SetFloatField(a, k, 0);
            SetFloatField(b, k, 0);
        } else {
            SetIntegerField(a, k, 0);
            SetIntegerField(b, k, 0);
        }
    }
    if (std::memcmp(&a, &b, sizeof a) != 0) Fail("a field outside the parameters changed");
}

void CheckSanitised(const FilterParameters& p) {
    for (const ParameterKey& k : ParameterKeys)
        if (k.isFloat() && !std::isfinite(GetFloatField(p, k))) Fail("a float is not finite");
    FilterParameters again = p;
    if (SanitizeParameters(again)) Fail("a value read is outside its range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (SetUpSuites(), true);
    (void)ready;
    Host host;
    host.script = {data, size, 0};
    gHost = &host;

    FilterParameters params;
    std::memset(&params, 0, sizeof params);
    ApplyWindowPlacementDefaults(params);
    ApplyParameterDefaults(params);
    FilterData filterData{};
    const uint8_t shape = host.script.Byte();
    filterData.showDialog = shape & 1;
    host.endless = shape & 2;

    pi::HandleProcs handles{};
    handles.handleProcsVersion = pi::kCurrentHandleProcsVersion;
    handles.numHandleProcs = pi::kCurrentHandleProcsCount;
    handles.newProc = NewHandle;
    handles.disposeProc = Dispose;
    handles.getSizeProc = HandleSize;
    handles.setSizeProc = SetHandleSize;
    handles.lockProc = LockHandle;
    handles.unlockProc = UnlockHandle;

    pi::ReadDescriptorProcs reads{};
    reads.numReadDescriptorProcs = pi::kCurrentReadDescriptorProcsCount;
    reads.openReadDescriptorProc = OpenRead;
    reads.closeReadDescriptorProc = CloseRead;
    reads.getKeyProc = GetKey;
    reads.getIntegerProc = GetInteger;
    reads.getFloatProc = GetFloat;
    pi::PIDescriptorParameters block{};
    const pi::PIDescriptorHandle recorded = reinterpret_cast<pi::PIDescriptorHandle>(uintptr_t(0xBEEF0));
    block.descriptor = recorded;
    block.readDescriptorProcs = &reads;
    block.playInfo = pi::int16(host.script.Byte() % 3);

    pi::SPBasicSuite basic{};
    basic.AcquireSuite = Acquire;
    basic.ReleaseSuite = Release;
    pi::FilterRecord record;
    std::memset(&record, 0, sizeof record);
    record.handleProcs = &handles;
    record.descriptorParameters = &block;
    record.sSPBasic = &basic;

    gFilterRecord = &record;
    gBasicSuite = &basic;
    gParams = &params;
    gData = &filterData;

    // The order of a start: the registry's last-used values, then the recorded action.
    const FilterParameters before = params;
    ReadScriptParametersBySuite();
    CheckSanitised(params);
    bool show = false;
    if (ReadScriptParameters(&show) != 0) Fail("the classic read reported an error");
    CheckSanitised(params);
    CheckOnlyParametersChanged(before, params);
    if (host.opens > 1 || host.closes != host.opens || host.disposals != host.opens)
        Fail("the recorded descriptor was not closed and disposed of exactly once");
    if ((block.descriptor == nullptr) != (host.opens == 1)) Fail("the descriptor handle left in the wrong state");
    // A recorded descriptor that could be read decides by its play option.
    if (show != (block.playInfo == pi::plugInDialogDisplay)) Fail("the show-dialog decision");

    const int32_t version = GetHostVersion();
    if (version != 0 && version != -1 && !(host.told && version == host.version)) Fail("a version nobody told");
    if (version == -1 && !host.limited && !(host.told && host.version == -1)) Fail("a limited edition nobody told");
    ReleaseSuiteHolders();

    if (!host.liveObjects.empty()) Fail("a descriptor or reference was not freed");
    for (const auto& [name, count] : host.acquired)
        if (count != 0) Fail(("a suite was not released: " + name).c_str());

    gFilterRecord = nullptr;
    gBasicSuite = nullptr;
    gParams = nullptr;
    gData = nullptr;
    gHost = nullptr;
    return 0;
}
