#include "Scripting.h"

#include "FilterParameters.h"
#include "HostHandles.h"
#include "HostInterface.h"
#include "HostSuites.h"
#include "ParameterSanitizer.h"
#include "Plugin.h"

namespace frostel {

const char kRegistryKey[] = "d9543b0c-3c91-11d4-97bc-00b004052017";

namespace {

using pi::FourCC;

constexpr int32_t kRegistryVersion = 1;
constexpr int32_t kDescriptorVersion = 3;
constexpr int32_t kControlVersion = 2;
constexpr int kMaxRecordedKeys = 4096;

// A descriptor or reference made by or received from the host, freed when
// it goes out of scope.
template <typename Procs, typename Object>
class ScopedActionObject {
public:
    explicit ScopedActionObject(const Procs* procs) : procs_(procs) {}
    ~ScopedActionObject() {
        if (object_ != nullptr && procs_->Free != nullptr) procs_->Free(object_);
    }
    ScopedActionObject(const ScopedActionObject&) = delete;
    ScopedActionObject& operator=(const ScopedActionObject&) = delete;
    Object* out() { return &object_; }
    Object get() const { return object_; }

private:
    const Procs* procs_;
    Object object_ = nullptr;
};
using ScopedDescriptor = ScopedActionObject<pi::PSActionDescriptorProcs, pi::PIActionDescriptor>;
using ScopedReference = ScopedActionObject<pi::PSActionReferenceProcs, pi::PIActionReference>;

// Integer fields travel as 32-bit integers (a seed or colour above 0x7FFFFFFF
// as a negative one), floats as doubles.
int32_t DescriptorInteger(const FilterParameters& p, const ParameterKey& k) {
    return int32_t(uint32_t(GetIntegerField(p, k)));
}

// The registry and descriptor suites of one operation, both or neither.
struct RegistrySuites {
    ScopedSuite registry{pi::kPSDescriptorRegistrySuite, kRegistryVersion};
    ScopedSuite descriptors{pi::kPSActionDescriptorSuite, kDescriptorVersion};
    const pi::PSDescriptorRegistryProcs* reg() const { return registry.get<pi::PSDescriptorRegistryProcs>(); }
    const pi::PSActionDescriptorProcs* desc() const { return descriptors.get<pi::PSActionDescriptorProcs>(); }
};

bool ReadProcsUsable(const pi::ReadDescriptorProcs* r) {
    // open, close, getKey, getInteger, getFloat: the first five entries.
    return r != nullptr && r->numReadDescriptorProcs >= 5 && r->openReadDescriptorProc != nullptr &&
           r->closeReadDescriptorProc != nullptr && r->getKeyProc != nullptr && r->getIntegerProc != nullptr &&
           r->getFloatProc != nullptr;
}

bool WriteProcsUsable(const pi::WriteDescriptorProcs* w) {
    // open, close, putInteger, putFloat: the first four entries.
    return w != nullptr && w->numWriteDescriptorProcs >= 4 && w->openWriteDescriptorProc != nullptr &&
           w->closeWriteDescriptorProc != nullptr && w->putIntegerProc != nullptr && w->putFloatProc != nullptr;
}

}  // namespace

int16_t ReadScriptParametersBySuite() {
    if (gBasicSuite == nullptr) return pi::errPlugInHostInsufficient;
    RegistrySuites suites;
    const pi::PSDescriptorRegistryProcs* reg = suites.reg();
    const pi::PSActionDescriptorProcs* desc = suites.desc();
    if (reg == nullptr || reg->Get == nullptr || desc == nullptr || desc->GetInteger == nullptr ||
        desc->GetFloat == nullptr)
        return pi::errPlugInHostInsufficient;

    ScopedDescriptor entry(desc);
    pi::OSErr err = reg->Get(kRegistryKey, entry.out());
    if (entry.get() == nullptr) return err;

    // A value that is missing or of another type only skips its field.
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            double v = 0;
            err = desc->GetFloat(entry.get(), k.key, &v);
            if (err == pi::noErr) StoreFloatParameter(*gParams, k, v);
        } else {
            pi::int32 v = 0;
            err = desc->GetInteger(entry.get(), k.key, &v);
            if (err == pi::noErr) StoreIntegerParameter(*gParams, k, v);
        }
    }
    SanitizeParameters(*gParams);
    return err;
}

int16_t ReadScriptParameters(bool* show) {
    if (show == nullptr) return pi::errMissingParameter;
    *show = gData->showDialog != 0;

    pi::PIDescriptorParameters* dp = gFilterRecord->descriptorParameters;
    if (dp == nullptr || dp->descriptor == nullptr || !ReadProcsUsable(dp->readDescriptorProcs)) return 0;
    const pi::ReadDescriptorProcs* r = dp->readDescriptorProcs;

    // Keys the module never reads. The host marks the keys it meets in this
    // array, so it must be writable memory of this call.
    pi::DescriptorKeyID expected[] = {FourCC("Amnt"), FourCC("disP"), 0};
    pi::PIReadDescriptor token = r->openReadDescriptorProc(dp->descriptor, expected);
    if (token != nullptr) {
        pi::DescriptorKeyID key = 0;
        pi::DescType type = 0;
        pi::int32 flags = 0;
        // A value the host cannot give as its key's type ends the read: the
        // fields after it keep their values. So does a key list that never
        // ends: a recorded filter holds a few dozen keys.
        pi::OSErr err = pi::noErr;
        for (int keys = 0; err == pi::noErr && keys < kMaxRecordedKeys && r->getKeyProc(token, &key, &type, &flags);
             ++keys) {
            const ParameterKey* k = FindParameter(key);
            if (k == nullptr) continue;
            if (k->isFloat()) {
                double v = 0;
                err = r->getFloatProc(token, &v);
                if (err == pi::noErr) StoreFloatParameter(*gParams, *k, v);
            } else {
                pi::int32 v = 0;
                err = r->getIntegerProc(token, &v);
                if (err == pi::noErr) StoreIntegerParameter(*gParams, *k, v);
            }
        }
        r->closeReadDescriptorProc(token);
        FreeHostHandle(gFilterRecord->handleProcs, dp->descriptor);
        dp->descriptor = nullptr;
        SanitizeParameters(*gParams);
    }
    *show = dp->playInfo == pi::plugInDialogDisplay;
    return 0;
}

int16_t WriteScriptParameters() {
    pi::PIDescriptorParameters* dp = gFilterRecord->descriptorParameters;
    if (dp == nullptr || !WriteProcsUsable(dp->writeDescriptorProcs)) return 0;
    const pi::WriteDescriptorProcs* w = dp->writeDescriptorProcs;

    pi::PIWriteDescriptor token = w->openWriteDescriptorProc();
    if (token == nullptr) return pi::errMissingParameter;
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            const double v = GetFloatField(*gParams, k);
            w->putFloatProc(token, k.key, &v);
        } else {
            w->putIntegerProc(token, k.key, DescriptorInteger(*gParams, k));
        }
    }
    // The block may still hold the handle of an earlier descriptor, or none.
    if (dp->descriptor != nullptr) {
        FreeHostHandle(gFilterRecord->handleProcs, dp->descriptor);
        dp->descriptor = nullptr;
    }
    w->closeWriteDescriptorProc(token, &dp->descriptor);
    dp->recordInfo = pi::plugInDialogOptional;
    return 0;
}

int16_t WriteScriptParametersBySuite() {
    if (gBasicSuite == nullptr) return pi::errPlugInHostInsufficient;
    RegistrySuites suites;
    const pi::PSDescriptorRegistryProcs* reg = suites.reg();
    const pi::PSActionDescriptorProcs* desc = suites.desc();
    if (reg == nullptr || reg->Register == nullptr || desc == nullptr || desc->Make == nullptr ||
        desc->PutInteger == nullptr || desc->PutFloat == nullptr)
        return pi::errPlugInHostInsufficient;

    ScopedDescriptor entry(desc);
    if (pi::OSErr err = desc->Make(entry.out()); err != pi::noErr || entry.get() == nullptr)
        return err != pi::noErr ? err : pi::errPlugInHostInsufficient;
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat())
            desc->PutFloat(entry.get(), k.key, GetFloatField(*gParams, k));
        else
            desc->PutInteger(entry.get(), k.key, DescriptorInteger(*gParams, k));
    }
    return reg->Register(kRegistryKey, entry.get(), /*isPersistent=*/1);
}

int32_t GetHostVersion() {
    const auto* desc = static_cast<const pi::PSActionDescriptorProcs*>(TryAcquireSuiteHolder(gActionDescriptorHolder));
    const auto* refs = static_cast<const pi::PSActionReferenceProcs*>(TryAcquireSuiteHolder(gActionReferenceHolder));
    if (desc == nullptr || refs == nullptr || refs->Make == nullptr || refs->PutEnumerated == nullptr) return 0;

    // The running application.
    ScopedReference app(refs);
    if (refs->Make(app.out()) != pi::noErr || app.get() == nullptr) return 0;
    if (refs->PutEnumerated(app.get(), FourCC("capp"), FourCC("Ordn"), FourCC("Trgt")) != pi::noErr) return 0;

    ScopedDescriptor info(desc);
    pi::DescriptorTypeID limitedKey = 0;
    bool haveLimitedKey = false;
    {
        ScopedSuite controlSuite(pi::kPSActionControlSuite, kControlVersion);
        const auto* control = controlSuite.get<pi::PSActionControlProcs>();
        if (control == nullptr || control->Get == nullptr) return 0;
        if (control->Get(info.out(), app.get()) != pi::noErr || info.get() == nullptr) return 0;
        char limited[] = "limited";  // the host's signature takes a writable string
        haveLimitedKey = control->StringIDToTypeID != nullptr &&
                         control->StringIDToTypeID(limited, &limitedKey) == pi::noErr;
    }

    if (haveLimitedKey && desc->HasKey != nullptr && desc->GetBoolean != nullptr) {
        pi::Boolean has = 0, isLimited = 0;
        if (desc->HasKey(info.get(), limitedKey, &has) == pi::noErr && has &&
            desc->GetBoolean(info.get(), limitedKey, &isLimited) == pi::noErr && isLimited)
            return -1;
    }

    if (desc->HasKey == nullptr || desc->GetObject == nullptr || desc->GetInteger == nullptr) return 0;
    pi::Boolean has = 0;
    if (desc->HasKey(info.get(), FourCC("HstV"), &has) != pi::noErr || !has) return 0;
    ScopedDescriptor version(desc);
    pi::DescriptorClassID cls = 0;
    if (desc->GetObject(info.get(), FourCC("HstV"), &cls, version.out()) != pi::noErr || version.get() == nullptr)
        return 0;
    if (desc->HasKey(version.get(), FourCC("VrsM"), &has) != pi::noErr || !has) return 0;
    pi::int32 major = 0;
    return desc->GetInteger(version.get(), FourCC("VrsM"), &major) == pi::noErr ? major : 0;
}

uint32_t ModeIndexToEnum(int32_t index) {
    static const uint32_t kModes[] = {FourCC("moD0"), FourCC("moD1"), FourCC("moD2"), FourCC("moD3")};
    return index >= 0 && index < 4 ? kModes[index] : kModes[1];
}

int32_t ModeEnumToIndex(uint32_t value) {
    for (int32_t i = 0; i < 4; ++i)
        if (ModeIndexToEnum(i) == value) return i;
    return 1;
}

}  // namespace frostel
