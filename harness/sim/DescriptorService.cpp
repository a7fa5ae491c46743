#include "DescriptorService.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "CallLog.h"
#include "HostSim.h"
#include "Pipl.h"

namespace frostel::hostsim {

namespace {

std::atomic<DescriptorService*> gCurrent{nullptr};

using AV = ActionValue;
using pi::OSErr;
using RD = pi::PIReadDescriptor;
using WD = pi::PIWriteDescriptor;

template <typename R, typename F>
R With(R fallback, F body) {
    DescriptorService* s = DescriptorService::Current();
    return s ? body(*s) : fallback;
}

// The current item of a read descriptor when it is of `kind`.
template <typename F>
OSErr ReadCurrent(RD token, AV::Kind kind, const char* call, F take) {
    return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) -> OSErr {
        DescriptorService::ReadToken* t = s.Read(token);
        if (t == nullptr) return s.Misuse(call);
        OSErr err = pi::noErr;
        if (t->current == nullptr)
            err = kDescriptorNoValue;
        else if (t->current->kind != kind)
            err = kDescriptorWrongType;
        else
            err = take(*t->current);
        s.Log(call, {}, err);
        return err;
    });
}

OSErr PutItem(WD token, pi::DescriptorKeyID key, AV v, const char* call) {
    return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) -> OSErr {
        DescriptorService::WriteToken* t = s.Write(token);
        if (t == nullptr) return s.Misuse(call);
        t->data.Put(key, std::move(v));
        return pi::noErr;
    });
}

AV Value(AV::Kind kind) {
    AV v;
    v.kind = kind;
    return v;
}

struct ReadProcs {
    static RD Open(pi::PIDescriptorHandle h, pi::DescriptorKeyIDArray keys) {
        return With<RD>(nullptr, [&](DescriptorService& s) { return s.OpenRead(h, keys); });
    }
    static OSErr Close(RD token) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) { return s.CloseRead(token); });
    }
    static pi::Boolean GetKey(RD token, pi::DescriptorKeyID* key, pi::DescType* type, pi::int32* flags) {
        return With<pi::Boolean>(0, [&](DescriptorService& s) -> pi::Boolean {
            DescriptorService::ReadToken* t = s.Read(token);
            if (t == nullptr || key == nullptr) {
                s.Misuse("getKeyProc");
                return 0;
            }
            t->current = nullptr;
            if (t->next >= t->data.items.size()) return 0;
            const auto& [k, v] = t->data.items[t->next++];
            t->current = &v;
            *key = k;
            if (type) *type = TypeCode(v);
            if (flags) *flags = 0;
            // Mark the key as found in the plug-in's array of expected keys.
            for (pi::DescriptorKeyID* e = t->expected; e != nullptr && *e != 0; ++e)
                if (*e == k) *e = pi::FourCC("null");
            return 1;
        });
    }
    static OSErr GetInteger(RD token, pi::int32* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::Integer, "getIntegerProc", [&](const AV& v) {
            *out = v.integer;
            return pi::noErr;
        });
    }
    static OSErr GetFloat(RD token, double* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::Float, "getFloatProc", [&](const AV& v) {
            *out = v.number;
            return pi::noErr;
        });
    }
    static OSErr GetUnitFloat(RD token, pi::DescriptorUnitID* unit, double* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::UnitFloat, "getUnitFloatProc", [&](const AV& v) {
            if (unit) *unit = v.unit;
            *out = v.number;
            return pi::noErr;
        });
    }
    static OSErr GetBoolean(RD token, pi::Boolean* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::Boolean, "getBooleanProc", [&](const AV& v) {
            *out = v.boolean ? 1 : 0;
            return pi::noErr;
        });
    }
    static OSErr GetEnumerated(RD token, pi::DescriptorEnumID* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::Enumerated, "getEnumeratedProc", [&](const AV& v) {
            *out = v.value;
            return pi::noErr;
        });
    }
    static OSErr GetClass(RD token, pi::DescriptorClassID* out) {
        if (out == nullptr) return kActionBadArgument;
        return ReadCurrent(token, AV::Class, "getClassProc", [&](const AV& v) {
            *out = v.type;
            return pi::noErr;
        });
    }
    static OSErr GetPinnedInteger(RD token, pi::int32 lo, pi::int32 hi, pi::int32* out) {
        const OSErr err = GetInteger(token, out);
        if (err == pi::noErr) *out = std::clamp(*out, lo, hi);
        return err;
    }
    static OSErr GetPinnedFloat(RD token, const double* lo, const double* hi, double* out) {
        const OSErr err = GetFloat(token, out);
        if (err == pi::noErr && lo && hi) *out = std::clamp(*out, *lo, *hi);
        return err;
    }
    static OSErr GetPinnedUnitFloat(RD token, const double* lo, const double* hi, pi::DescriptorUnitID* unit,
                                    double* out) {
        const OSErr err = GetUnitFloat(token, unit, out);
        if (err == pi::noErr && lo && hi) *out = std::clamp(*out, *lo, *hi);
        return err;
    }
    // Texts, aliases, references, objects, counts and strings are not kept
    // in classic descriptors here.
    template <typename... Args>
    static OSErr NotKept(RD token, Args...) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) -> OSErr {
            return s.Read(token) != nullptr ? kDescriptorWrongType : s.Misuse("getProc");
        });
    }
};

struct WriteProcs {
    static WD Open() { return With<WD>(nullptr, [](DescriptorService& s) { return s.OpenWrite(); }); }
    static OSErr Close(WD token, pi::PIDescriptorHandle* out) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) { return s.CloseWrite(token, out); });
    }
    static OSErr PutInteger(WD token, pi::DescriptorKeyID key, pi::int32 value) {
        AV v = Value(AV::Integer);
        v.integer = value;
        return PutItem(token, key, v, "putIntegerProc");
    }
    static OSErr PutFloat(WD token, pi::DescriptorKeyID key, const double* value) {
        if (value == nullptr) return kActionBadArgument;
        AV v = Value(AV::Float);
        v.number = *value;
        return PutItem(token, key, v, "putFloatProc");
    }
    static OSErr PutUnitFloat(WD token, pi::DescriptorKeyID key, pi::DescriptorUnitID unit, const double* value) {
        if (value == nullptr) return kActionBadArgument;
        AV v = Value(AV::UnitFloat);
        v.unit = unit;
        v.number = *value;
        return PutItem(token, key, v, "putUnitFloatProc");
    }
    static OSErr PutBoolean(WD token, pi::DescriptorKeyID key, pi::Boolean value) {
        AV v = Value(AV::Boolean);
        v.boolean = value != 0;
        return PutItem(token, key, v, "putBooleanProc");
    }
    static OSErr PutEnumerated(WD token, pi::DescriptorKeyID key, pi::DescriptorTypeID type,
                               pi::DescriptorEnumID value) {
        AV v = Value(AV::Enumerated);
        v.type = type;
        v.value = value;
        return PutItem(token, key, v, "putEnumeratedProc");
    }
    static OSErr PutClass(WD token, pi::DescriptorKeyID key, pi::DescriptorClassID cls) {
        AV v = Value(AV::Class);
        v.type = cls;
        return PutItem(token, key, v, "putClassProc");
    }
    template <typename... Args>
    static OSErr NotKept(WD token, Args...) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) -> OSErr {
            if (s.Write(token) == nullptr) return s.Misuse("putProc");
            return kDescriptorWrongType;
        });
    }
};

struct RegistryProcs {
    static OSErr Register(const char* key, pi::PIActionDescriptor d, pi::Boolean persistent) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) { return s.Register(key, d, persistent); });
    }
    static OSErr Erase(const char* key) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) { return s.Erase(key); });
    }
    static OSErr Get(const char* key, pi::PIActionDescriptor* out) {
        return With<OSErr>(kActionBadArgument, [&](DescriptorService& s) { return s.Get(key, out); });
    }
};

const pi::PSDescriptorRegistryProcs kRegistryProcs{&RegistryProcs::Register, &RegistryProcs::Erase,
                                                   &RegistryProcs::Get};
constexpr int32_t kRegistryVersion = 1;

}  // namespace

DescriptorService::DescriptorService(Host& host, ScriptingOptions options) : host_(host), options_(options) {
    gCurrent = this;
    actions_ = ActionSuites::Current();
    if (actions_ == nullptr) {
        ownActions_ = std::make_unique<ActionSuites>(host_);
        actions_ = ownActions_.get();
    }
    host_.RegisterSuite(pi::kPSDescriptorRegistrySuite, kRegistryVersion, &kRegistryProcs);

    pi::ReadDescriptorProcs& r = readProcs_;
    r.readDescriptorProcsVersion = pi::kCurrentReadDescriptorProcsVersion;
    r.numReadDescriptorProcs = pi::kCurrentReadDescriptorProcsCount;
    r.openReadDescriptorProc = &ReadProcs::Open;
    r.closeReadDescriptorProc = &ReadProcs::Close;
    r.getKeyProc = &ReadProcs::GetKey;
    r.getIntegerProc = &ReadProcs::GetInteger;
    r.getFloatProc = &ReadProcs::GetFloat;
    r.getUnitFloatProc = &ReadProcs::GetUnitFloat;
    r.getBooleanProc = &ReadProcs::GetBoolean;
    r.getTextProc = &ReadProcs::NotKept<pi::Handle*>;
    r.getAliasProc = &ReadProcs::NotKept<pi::Handle*>;
    r.getEnumeratedProc = &ReadProcs::GetEnumerated;
    r.getClassProc = &ReadProcs::GetClass;
    r.getSimpleReferenceProc = &ReadProcs::NotKept<pi::PIDescriptorSimpleReference*>;
    r.getObjectProc = &ReadProcs::NotKept<pi::DescriptorClassID*, pi::PIDescriptorHandle*>;
    r.getCountProc = &ReadProcs::NotKept<pi::uint32*>;
    r.getStringProc = &ReadProcs::NotKept<pi::Str255*>;
    r.getPinnedIntegerProc = &ReadProcs::GetPinnedInteger;
    r.getPinnedFloatProc = &ReadProcs::GetPinnedFloat;
    r.getPinnedUnitFloatProc = &ReadProcs::GetPinnedUnitFloat;

    pi::WriteDescriptorProcs& w = writeProcs_;
    w.writeDescriptorProcsVersion = pi::kCurrentWriteDescriptorProcsVersion;
    w.numWriteDescriptorProcs = pi::kCurrentWriteDescriptorProcsCount;
    w.openWriteDescriptorProc = &WriteProcs::Open;
    w.closeWriteDescriptorProc = &WriteProcs::Close;
    w.putIntegerProc = &WriteProcs::PutInteger;
    w.putFloatProc = &WriteProcs::PutFloat;
    w.putUnitFloatProc = &WriteProcs::PutUnitFloat;
    w.putBooleanProc = &WriteProcs::PutBoolean;
    w.putTextProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::Handle>;
    w.putAliasProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::Handle>;
    w.putEnumeratedProc = &WriteProcs::PutEnumerated;
    w.putClassProc = &WriteProcs::PutClass;
    w.putSimpleReferenceProc = &WriteProcs::NotKept<pi::DescriptorKeyID, const pi::PIDescriptorSimpleReference*>;
    w.putObjectProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::DescriptorClassID, pi::PIDescriptorHandle>;
    w.putCountProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::uint32>;
    w.putStringProc = &WriteProcs::NotKept<pi::DescriptorKeyID, const unsigned char*>;
    w.putScopedClassProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::DescriptorClassID>;
    w.putScopedObjectProc = &WriteProcs::NotKept<pi::DescriptorKeyID, pi::DescriptorClassID, pi::PIDescriptorHandle>;

    // The host keeps its hooks and the suites their resolvers; both go
    // quiet once the service is gone.
    auto alive = alive_;
    actions_->AddResolver([this, alive](const ActionReferenceData& ref, ActionDescriptorData& out) {
        return *alive && Resolve(ref, out);
    });
    host_.AddRecordHook([this, alive](pi::FilterRecord& r) {
        if (*alive) Attach(r);
    });
}

DescriptorService::~DescriptorService() {
    *alive_ = false;
    host_.UnregisterSuite(pi::kPSDescriptorRegistrySuite, kRegistryVersion);
    if (block_.descriptor != nullptr) host_.DisposeFilledHandle(block_.descriptor);
    if (host_.record().descriptorParameters == &block_) host_.record().descriptorParameters = nullptr;
    ownActions_.reset();
    DescriptorService* self = this;
    gCurrent.compare_exchange_strong(self, nullptr);
}

DescriptorService* DescriptorService::Current() { return gCurrent.load(); }

void DescriptorService::Attach(pi::FilterRecord& r) {
    // What the plug-in recorded last time is the host's now.
    if (block_.descriptor != nullptr) {
        if (HoldsRecording()) recorded_ = Parse(block_.descriptor);
        host_.DisposeFilledHandle(block_.descriptor);
    }
    block_ = {};
    handed_ = 0;
    if (!options_.descriptorParameters) {
        r.descriptorParameters = nullptr;
        return;
    }
    block_.descriptorParametersVersion = pi::kCurrentDescriptorParametersVersion;
    block_.playInfo = options_.playInfo;
    block_.recordInfo = pi::plugInDialogOptional;
    block_.readDescriptorProcs = &readProcs_;
    block_.writeDescriptorProcs = &writeProcs_;
    if (replay_) {
        const std::string text = DescriptorToText(*replay_);
        block_.descriptor = host_.NewFilledHandle(std::vector<uint8_t>(text.begin(), text.end()));
        handed_ = host_.HandleNumber(block_.descriptor);
    }
    r.descriptorParameters = &block_;
    Log("descriptorParameters", {{"playInfo", JsonInt(block_.playInfo)}, {"replay", JsonBool(replay_.has_value())}},
        0);
}

void DescriptorService::Replay(std::optional<ActionDescriptorData> action) { replay_ = std::move(action); }

bool DescriptorService::HoldsRecording() const {
    const int number = host_.HandleNumber(block_.descriptor);
    return number > 0 && number != handed_;
}

std::optional<ActionDescriptorData> DescriptorService::Recorded() const {
    return HoldsRecording() ? Parse(block_.descriptor) : recorded_;
}

std::optional<ActionDescriptorData> DescriptorService::Parse(pi::PIDescriptorHandle h) const {
    const std::vector<uint8_t> bytes = host_.HandleBytes(h);
    ActionDescriptorData d;
    std::string why;
    if (!DescriptorFromText(std::string(bytes.begin(), bytes.end()), d, why)) return std::nullopt;
    return d;
}

// ---- Classic descriptors ---------------------------------------------------------

DescriptorService::ReadToken* DescriptorService::Read(pi::PIReadDescriptor token) {
    const auto it = reads_.find(token);
    return it == reads_.end() ? nullptr : it->second.get();
}

DescriptorService::WriteToken* DescriptorService::Write(pi::PIWriteDescriptor token) {
    const auto it = writes_.find(token);
    return it == writes_.end() ? nullptr : it->second.get();
}

pi::PIReadDescriptor DescriptorService::OpenRead(pi::PIDescriptorHandle h, pi::DescriptorKeyID* expected) {
    if (h == nullptr || !host_.IsLiveHandle(h)) {
        Misuse("openReadDescriptorProc");
        return nullptr;
    }
    const std::vector<uint8_t> bytes = host_.HandleBytes(h);
    auto t = std::make_unique<ReadToken>();
    std::string why;
    if (!DescriptorFromText(std::string(bytes.begin(), bytes.end()), t->data, why)) {
        Log("openReadDescriptorProc", {{"error", JsonString(why)}}, 0);
        return nullptr;
    }
    t->expected = expected;
    std::string keys;
    for (const pi::DescriptorKeyID* e = expected; e != nullptr && *e != 0; ++e) keys += FourCCText(*e);
    const auto token = reinterpret_cast<pi::PIReadDescriptor>(t.get());
    Log("openReadDescriptorProc", {{"items", JsonInt(int64_t(t->data.items.size()))}, {"expected", JsonString(keys)}},
        1);
    reads_[token] = std::move(t);
    return token;
}

pi::OSErr DescriptorService::CloseRead(pi::PIReadDescriptor token) {
    const auto it = reads_.find(token);
    if (it == reads_.end()) return Misuse("closeReadDescriptorProc");
    std::string missing;
    for (const pi::DescriptorKeyID* e = it->second->expected; e != nullptr && *e != 0; ++e)
        if (*e != pi::FourCC("null")) missing += FourCCText(*e);
    reads_.erase(it);
    const OSErr err = missing.empty() ? pi::noErr : kDescriptorMissingKeys;
    Log("closeReadDescriptorProc", {{"missing", JsonString(missing)}}, err);
    return err;
}

pi::PIWriteDescriptor DescriptorService::OpenWrite() {
    auto t = std::make_unique<WriteToken>();
    const auto token = reinterpret_cast<pi::PIWriteDescriptor>(t.get());
    writes_[token] = std::move(t);
    Log("openWriteDescriptorProc", {}, 1);
    return token;
}

pi::OSErr DescriptorService::CloseWrite(pi::PIWriteDescriptor token, pi::PIDescriptorHandle* out) {
    const auto it = writes_.find(token);
    if (it == writes_.end() || out == nullptr) return Misuse("closeWriteDescriptorProc");
    const std::string text = DescriptorToText(it->second->data);
    const size_t items = it->second->data.items.size();
    writes_.erase(it);
    *out = host_.NewFilledHandle(std::vector<uint8_t>(text.begin(), text.end()));
    Log("closeWriteDescriptorProc", {{"items", JsonInt(int64_t(items))}}, *out ? 0 : pi::memFullErr);
    return *out ? pi::noErr : pi::memFullErr;
}

// ---- Registry ----------------------------------------------------------------------

pi::OSErr DescriptorService::Register(const char* key, pi::PIActionDescriptor d, bool persistent) {
    const ActionDescriptorData* data = actions_->Descriptor(d);
    if (key == nullptr || data == nullptr) return Misuse("registry.Register");
    registry_[key] = Entry{*data, persistent};
    Log("registry.Register", {{"key", JsonString(key)}, {"items", JsonInt(int64_t(data->items.size()))},
                              {"persistent", JsonBool(persistent)}},
        0);
    return pi::noErr;
}

pi::OSErr DescriptorService::Erase(const char* key) {
    if (key == nullptr) return Misuse("registry.Erase");
    const OSErr err = registry_.erase(key) ? pi::noErr : kActionKeyMissing;
    Log("registry.Erase", {{"key", JsonString(key)}}, err);
    return err;
}

pi::OSErr DescriptorService::Get(const char* key, pi::PIActionDescriptor* out) {
    if (key == nullptr || out == nullptr) return Misuse("registry.Get");
    const auto it = registry_.find(key);
    // Nothing registered: no descriptor and no error.
    *out = it == registry_.end() ? nullptr : actions_->NewDescriptor(it->second.data);
    Log("registry.Get", {{"key", JsonString(key)}, {"found", JsonBool(*out != nullptr)}}, 0);
    return pi::noErr;
}

RegistryEntries DescriptorService::PersistentEntries() const {
    RegistryEntries out;
    for (const auto& [key, e] : registry_)
        if (e.persistent) out[key] = e.data;
    return out;
}

void DescriptorService::RestorePersistent(const RegistryEntries& entries) {
    for (const auto& [key, d] : entries) registry_[key] = Entry{d, true};
}

// ---- The application ------------------------------------------------------------------

bool DescriptorService::Resolve(const ActionReferenceData& ref, ActionDescriptorData& out) {
    const ActionReferencePart* app = ref.FindClass(pi::FourCC("capp"));
    if (app == nullptr || app->form != pi::FourCC("Enmr") || app->value != pi::FourCC("Trgt")) return false;
    if (options_.hostVersion != 0) {
        auto version = std::make_shared<ActionDescriptorData>();
        AV major = Value(AV::Integer), minor = Value(AV::Integer);
        major.integer = options_.hostVersion;
        version->Put(pi::FourCC("VrsM"), major);
        version->Put(pi::FourCC("VrsN"), minor);
        AV v = Value(AV::Object);
        v.type = pi::FourCC("HstV");
        v.object = version;
        out.Put(pi::FourCC("HstV"), v);
    }
    if (options_.limitedEdition) {
        AV v = Value(AV::Boolean);
        v.boolean = true;
        out.Put(actions_->StringID("limited"), v);
    }
    return true;
}

// ---- Bookkeeping -------------------------------------------------------------------------

int DescriptorService::Misuses() const { return misuses_ + actions_->Misuses(); }

int DescriptorService::OpenTokens() const { return int(reads_.size() + writes_.size()); }

pi::OSErr DescriptorService::Misuse(const char* call) {
    ++misuses_;
    Log(call, {{"misuse", JsonBool(true)}}, kActionBadArgument);
    return kActionBadArgument;
}

void DescriptorService::Log(const char* call, std::vector<std::pair<std::string, std::string>> args,
                            int64_t result) {
    host_.log().Add(call, std::move(args), result);
}

}  // namespace frostel::hostsim
