#include "ActionSuites.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "CallLog.h"
#include "HostSim.h"
#include "Pipl.h"

namespace frostel::hostsim {

namespace {

std::atomic<ActionSuites*> gCurrent{nullptr};

using AV = ActionValue;
using D = pi::PIActionDescriptor;
using R = pi::PIActionReference;
using pi::OSErr;
using pi::uint32;

// Runs `body` on the live suites object, or answers a misuse when there is none.
template <typename F>
OSErr With(F body) {
    ActionSuites* s = ActionSuites::Current();
    return s ? body(*s) : kActionBadArgument;
}

OSErr Put(D d, pi::DescriptorKeyID key, AV v) {
    return With([&](ActionSuites& s) -> OSErr {
        ActionDescriptorData* data = s.Descriptor(d);
        if (data == nullptr) return s.Misuse("descriptor.Put");
        data->Put(key, std::move(v));
        return pi::noErr;
    });
}

// The value under `key` of kind `kind`, or an error.
template <typename F>
OSErr Read(D d, pi::DescriptorKeyID key, AV::Kind kind, F take) {
    return With([&](ActionSuites& s) -> OSErr {
        ActionDescriptorData* data = s.Descriptor(d);
        if (data == nullptr) return s.Misuse("descriptor.Get");
        const AV* v = data->Find(key);
        OSErr err = pi::noErr;
        if (v == nullptr)
            err = kActionKeyMissing;
        else if (v->kind != kind)
            err = kActionWrongType;
        else
            err = take(*v);
        s.Log("descriptor.Get", {{"key", JsonString(FourCCText(key))}}, err);
        return err;
    });
}

AV Make(AV::Kind kind) {
    AV v;
    v.kind = kind;
    return v;
}

}  // namespace

uint32_t TypeCode(const ActionValue& v) {
    switch (v.kind) {
        case AV::Integer: return pi::FourCC("long");
        case AV::Float: return pi::FourCC("doub");
        case AV::UnitFloat: return pi::FourCC("UntF");
        case AV::String: return pi::FourCC("TEXT");
        case AV::Boolean: return pi::FourCC("bool");
        case AV::Enumerated: return pi::FourCC("enum");
        case AV::Class: return pi::FourCC("type");
        case AV::Object: return pi::FourCC("Objc");
        case AV::Reference: return pi::FourCC("obj ");
    }
    return 0;
}

namespace {

bool SameValue(const AV& a, const AV& b);

bool SameDescriptor(const ActionDescriptorData& a, const ActionDescriptorData& b) {
    if (a.items.size() != b.items.size()) return false;
    for (const auto& [key, v] : a.items) {
        const AV* o = b.Find(key);
        if (o == nullptr || !SameValue(v, *o)) return false;
    }
    return true;
}

bool SameValue(const AV& a, const AV& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case AV::Integer: return a.integer == b.integer;
        case AV::Float: return a.number == b.number;
        case AV::UnitFloat: return a.number == b.number && a.unit == b.unit;
        case AV::String: return a.text == b.text;
        case AV::Boolean: return a.boolean == b.boolean;
        case AV::Enumerated: return a.type == b.type && a.value == b.value;
        case AV::Class: return a.type == b.type;
        case AV::Object: return a.type == b.type && SameDescriptor(*a.object, *b.object);
        case AV::Reference: return a.reference == b.reference;
    }
    return false;
}

// ---- Descriptor callbacks -------------------------------------------------------

struct DescriptorProcs {
    static OSErr MakeD(D* out) {
        return With([&](ActionSuites& s) -> OSErr {
            if (out == nullptr) return s.Misuse("descriptor.Make");
            *out = s.NewDescriptor();
            return pi::noErr;
        });
    }
    static OSErr FreeD(D d) { return With([&](ActionSuites& s) { return s.FreeDescriptor(d); }); }
    static OSErr GetType(D d, pi::DescriptorKeyID key, pi::DescriptorTypeID* type) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr || type == nullptr) return s.Misuse("descriptor.GetType");
            const AV* v = data->Find(key);
            if (v == nullptr) return kActionKeyMissing;
            *type = TypeCode(*v);
            return pi::noErr;
        });
    }
    static OSErr GetKey(D d, uint32 index, pi::DescriptorKeyID* key) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr || key == nullptr) return s.Misuse("descriptor.GetKey");
            if (index >= data->items.size()) return kActionKeyMissing;
            *key = data->items[index].first;
            return pi::noErr;
        });
    }
    static OSErr HasKey(D d, pi::DescriptorKeyID key, pi::Boolean* has) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr || has == nullptr) return s.Misuse("descriptor.HasKey");
            *has = data->Find(key) != nullptr;
            s.Log("descriptor.HasKey", {{"key", JsonString(FourCCText(key))}, {"has", JsonBool(*has)}}, 0);
            return pi::noErr;
        });
    }
    static OSErr GetCount(D d, uint32* count) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr || count == nullptr) return s.Misuse("descriptor.GetCount");
            *count = uint32(data->items.size());
            return pi::noErr;
        });
    }
    static OSErr IsEqual(D a, D b, pi::Boolean* equal) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData *da = s.Descriptor(a), *db = s.Descriptor(b);
            if (da == nullptr || db == nullptr || equal == nullptr) return s.Misuse("descriptor.IsEqual");
            *equal = SameDescriptor(*da, *db);
            return pi::noErr;
        });
    }
    static OSErr Erase(D d, pi::DescriptorKeyID key) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr) return s.Misuse("descriptor.Erase");
            auto& items = data->items;
            const auto it = std::find_if(items.begin(), items.end(), [&](const auto& e) { return e.first == key; });
            if (it == items.end()) return kActionKeyMissing;
            items.erase(it);
            return pi::noErr;
        });
    }
    static OSErr ClearD(D d) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* data = s.Descriptor(d);
            if (data == nullptr) return s.Misuse("descriptor.Clear");
            data->items.clear();
            return pi::noErr;
        });
    }
    static OSErr PutInteger(D d, pi::DescriptorKeyID key, pi::int32 value) {
        AV v = Make(AV::Integer);
        v.integer = value;
        return Put(d, key, v);
    }
    static OSErr PutFloat(D d, pi::DescriptorKeyID key, double value) {
        AV v = Make(AV::Float);
        v.number = value;
        return Put(d, key, v);
    }
    static OSErr PutUnitFloat(D d, pi::DescriptorKeyID key, pi::DescriptorUnitID unit, double value) {
        AV v = Make(AV::UnitFloat);
        v.number = value;
        v.unit = unit;
        return Put(d, key, v);
    }
    static OSErr PutString(D d, pi::DescriptorKeyID key, char* text) {
        if (text == nullptr) return With([](ActionSuites& s) { return s.Misuse("descriptor.PutString"); });
        AV v = Make(AV::String);
        v.text = text;
        return Put(d, key, v);
    }
    static OSErr PutBoolean(D d, pi::DescriptorKeyID key, pi::Boolean value) {
        AV v = Make(AV::Boolean);
        v.boolean = value != 0;
        return Put(d, key, v);
    }
    static OSErr PutList(D, pi::DescriptorKeyID, pi::PIActionList) {
        return With([](ActionSuites& s) { return s.Misuse("descriptor.PutList"); });  // no lists here
    }
    static OSErr PutObject(D d, pi::DescriptorKeyID key, pi::DescriptorClassID type, D value) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionDescriptorData* inner = s.Descriptor(value);
            if (inner == nullptr) return s.Misuse("descriptor.PutObject");
            AV v = Make(AV::Object);
            v.type = type;
            v.object = std::make_shared<ActionDescriptorData>(*inner);  // a copy, as the host keeps
            return Put(d, key, v);
        });
    }
    static OSErr PutEnumerated(D d, pi::DescriptorKeyID key, pi::DescriptorEnumTypeID type,
                               pi::DescriptorEnumID value) {
        AV v = Make(AV::Enumerated);
        v.type = type;
        v.value = value;
        return Put(d, key, v);
    }
    static OSErr PutReference(D d, pi::DescriptorKeyID key, R value) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionReferenceData* ref = s.Reference(value);
            if (ref == nullptr) return s.Misuse("descriptor.PutReference");
            AV v = Make(AV::Reference);
            v.reference = std::make_shared<ActionReferenceData>(*ref);
            return Put(d, key, v);
        });
    }
    static OSErr PutClass(D d, pi::DescriptorKeyID key, pi::DescriptorClassID value) {
        AV v = Make(AV::Class);
        v.type = value;
        return Put(d, key, v);
    }
    static OSErr PutAlias(D, pi::DescriptorKeyID, pi::Handle) {
        return With([](ActionSuites& s) { return s.Misuse("descriptor.PutAlias"); });  // no file aliases here
    }
    static OSErr GetInteger(D d, pi::DescriptorKeyID key, pi::int32* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Integer, [&](const AV& v) { *out = v.integer; return pi::noErr; });
    }
    static OSErr GetFloat(D d, pi::DescriptorKeyID key, double* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Float, [&](const AV& v) { *out = v.number; return pi::noErr; });
    }
    static OSErr GetUnitFloat(D d, pi::DescriptorKeyID key, pi::DescriptorUnitID* unit, double* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::UnitFloat, [&](const AV& v) {
            if (unit) *unit = v.unit;
            *out = v.number;
            return pi::noErr;
        });
    }
    static OSErr GetStringLength(D d, pi::DescriptorKeyID key, uint32* length) {
        if (length == nullptr) return kActionBadArgument;
        return Read(d, key, AV::String, [&](const AV& v) { *length = uint32(v.text.size()); return pi::noErr; });
    }
    // Copies at most maxLength bytes including the terminating zero.
    static OSErr GetString(D d, pi::DescriptorKeyID key, char* out, uint32 maxLength) {
        if (out == nullptr || maxLength == 0) return kActionBadArgument;
        return Read(d, key, AV::String, [&](const AV& v) {
            const size_t n = std::min<size_t>(v.text.size(), maxLength - 1);
            std::memcpy(out, v.text.data(), n);
            out[n] = 0;
            return pi::noErr;
        });
    }
    static OSErr GetBoolean(D d, pi::DescriptorKeyID key, pi::Boolean* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Boolean, [&](const AV& v) { *out = v.boolean; return pi::noErr; });
    }
    static OSErr GetList(D, pi::DescriptorKeyID, pi::PIActionList*) { return kActionKeyMissing; }
    static OSErr GetObject(D d, pi::DescriptorKeyID key, pi::DescriptorClassID* type, D* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Object, [&](const AV& v) {
            if (type) *type = v.type;
            *out = ActionSuites::Current()->NewDescriptor(*v.object);  // the caller frees it
            return pi::noErr;
        });
    }
    static OSErr GetEnumerated(D d, pi::DescriptorKeyID key, pi::DescriptorEnumTypeID* type,
                               pi::DescriptorEnumID* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Enumerated, [&](const AV& v) {
            if (type) *type = v.type;
            *out = v.value;
            return pi::noErr;
        });
    }
    static OSErr GetReference(D, pi::DescriptorKeyID, R*) { return kActionKeyMissing; }
    static OSErr GetClass(D d, pi::DescriptorKeyID key, pi::DescriptorClassID* out) {
        if (out == nullptr) return kActionBadArgument;
        return Read(d, key, AV::Class, [&](const AV& v) { *out = v.type; return pi::noErr; });
    }
    static OSErr GetAlias(D, pi::DescriptorKeyID, pi::Handle*) { return kActionKeyMissing; }
};

const pi::PSActionDescriptorProcs kDescriptorProcs{
    &DescriptorProcs::MakeD,         &DescriptorProcs::FreeD,        &DescriptorProcs::GetType,
    &DescriptorProcs::GetKey,        &DescriptorProcs::HasKey,       &DescriptorProcs::GetCount,
    &DescriptorProcs::IsEqual,       &DescriptorProcs::Erase,        &DescriptorProcs::ClearD,
    &DescriptorProcs::PutInteger,    &DescriptorProcs::PutFloat,     &DescriptorProcs::PutUnitFloat,
    &DescriptorProcs::PutString,     &DescriptorProcs::PutBoolean,   &DescriptorProcs::PutList,
    &DescriptorProcs::PutObject,     &DescriptorProcs::PutObject,    &DescriptorProcs::PutEnumerated,
    &DescriptorProcs::PutReference,  &DescriptorProcs::PutClass,     &DescriptorProcs::PutClass,
    &DescriptorProcs::PutAlias,      &DescriptorProcs::GetInteger,   &DescriptorProcs::GetFloat,
    &DescriptorProcs::GetUnitFloat,  &DescriptorProcs::GetStringLength, &DescriptorProcs::GetString,
    &DescriptorProcs::GetBoolean,    &DescriptorProcs::GetList,      &DescriptorProcs::GetObject,
    &DescriptorProcs::GetObject,     &DescriptorProcs::GetEnumerated, &DescriptorProcs::GetReference,
    &DescriptorProcs::GetClass,      &DescriptorProcs::GetClass,     &DescriptorProcs::GetAlias,
};

// ---- Reference callbacks ----------------------------------------------------------

OSErr AddPart(R r, ActionReferencePart part) {
    return With([&](ActionSuites& s) -> OSErr {
        ActionReferenceData* ref = s.Reference(r);
        if (ref == nullptr) return s.Misuse("reference.Put");
        ref->parts.push_back(std::move(part));
        return pi::noErr;
    });
}

ActionReferencePart Part(uint32 form, uint32 desiredClass) {
    ActionReferencePart p;
    p.form = form;
    p.desiredClass = desiredClass;
    return p;
}

struct ReferenceProcs {
    static OSErr MakeR(R* out) {
        return With([&](ActionSuites& s) -> OSErr {
            if (out == nullptr) return s.Misuse("reference.Make");
            *out = s.NewReference();
            return pi::noErr;
        });
    }
    static OSErr FreeR(R r) { return With([&](ActionSuites& s) { return s.FreeReference(r); }); }
    static OSErr GetForm(R r, pi::DescriptorFormID* form) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionReferenceData* ref = s.Reference(r);
            if (ref == nullptr || form == nullptr) return s.Misuse("reference.GetForm");
            if (ref->parts.empty()) return kActionKeyMissing;
            *form = ref->parts.front().form;
            return pi::noErr;
        });
    }
    static OSErr GetDesiredClass(R r, pi::DescriptorClassID* cls) {
        return With([&](ActionSuites& s) -> OSErr {
            ActionReferenceData* ref = s.Reference(r);
            if (ref == nullptr || cls == nullptr) return s.Misuse("reference.GetDesiredClass");
            if (ref->parts.empty()) return kActionKeyMissing;
            *cls = ref->parts.front().desiredClass;
            return pi::noErr;
        });
    }
    static OSErr PutName(R r, pi::DescriptorClassID cls, const char* name) {
        if (name == nullptr) return With([](ActionSuites& s) { return s.Misuse("reference.PutName"); });
        ActionReferencePart p = Part(pi::FourCC("name"), cls);
        p.name = name;
        return AddPart(r, p);
    }
    static OSErr PutIndex(R r, pi::DescriptorClassID cls, uint32 index) {
        ActionReferencePart p = Part(pi::FourCC("indx"), cls);
        p.number = index;
        return AddPart(r, p);
    }
    static OSErr PutIdentifier(R r, pi::DescriptorClassID cls, uint32 id) {
        ActionReferencePart p = Part(pi::FourCC("Idnt"), cls);
        p.number = id;
        return AddPart(r, p);
    }
    static OSErr PutOffset(R r, pi::DescriptorClassID cls, pi::int32 offset) {
        ActionReferencePart p = Part(pi::FourCC("rele"), cls);
        p.number = offset;
        return AddPart(r, p);
    }
    static OSErr PutEnumerated(R r, pi::DescriptorClassID cls, pi::DescriptorEnumTypeID type,
                               pi::DescriptorEnumID value) {
        ActionReferencePart p = Part(pi::FourCC("Enmr"), cls);
        p.type = type;
        p.value = value;
        return AddPart(r, p);
    }
    static OSErr PutProperty(R r, pi::DescriptorClassID cls, pi::DescriptorKeyID key) {
        ActionReferencePart p = Part(pi::FourCC("prop"), cls);
        p.value = key;
        return AddPart(r, p);
    }
    static OSErr PutClass(R r, pi::DescriptorClassID cls) { return AddPart(r, Part(pi::FourCC("Clss"), cls)); }
};

const pi::PSActionReferenceProcs kReferenceProcs{
    &ReferenceProcs::MakeR,       &ReferenceProcs::FreeR,         &ReferenceProcs::GetForm,
    &ReferenceProcs::GetDesiredClass, &ReferenceProcs::PutName,   &ReferenceProcs::PutIndex,
    &ReferenceProcs::PutIdentifier, &ReferenceProcs::PutOffset,   &ReferenceProcs::PutEnumerated,
    &ReferenceProcs::PutProperty, &ReferenceProcs::PutClass,
};

// ---- Control ---------------------------------------------------------------------

struct ControlProcs {
    static OSErr Play(D* result, pi::DescriptorEventID, D, pi::PIDialogPlayOptions) {
        if (result) *result = nullptr;
        return kActionKeyMissing;  // the test host plays no events
    }
    static OSErr GetC(D* result, R reference) {
        return With([&](ActionSuites& s) { return s.Get(result, reference); });
    }
    static OSErr PutC(R, D) { return kActionKeyMissing; }
    static OSErr StringToType(char* stringID, pi::DescriptorTypeID* typeID) {
        return With([&](ActionSuites& s) -> OSErr {
            if (stringID == nullptr || typeID == nullptr) return s.Misuse("control.StringIDToTypeID");
            *typeID = s.StringID(stringID);
            s.Log("control.StringIDToTypeID", {{"stringID", JsonString(stringID)}, {"typeID", JsonInt(*typeID)}}, 0);
            return pi::noErr;
        });
    }
    static OSErr TypeToString(pi::DescriptorTypeID typeID, char* out, uint32 maxLength) {
        return With([&](ActionSuites& s) -> OSErr {
            if (out == nullptr || maxLength == 0) return s.Misuse("control.TypeIDToStringID");
            const std::string* text = s.StringOf(typeID);
            if (text == nullptr) return kActionKeyMissing;
            const size_t n = std::min<size_t>(text->size(), maxLength - 1);
            std::memcpy(out, text->data(), n);
            out[n] = 0;
            return pi::noErr;
        });
    }
};

const pi::PSActionControlProcs kControlProcs{&ControlProcs::Play, &ControlProcs::GetC, &ControlProcs::PutC,
                                             &ControlProcs::StringToType, &ControlProcs::TypeToString};

std::string DescribeReference(const ActionReferenceData& ref) {
    std::string out;
    for (const ActionReferencePart& p : ref.parts) {
        if (!out.empty()) out += " / ";
        out += FourCCText(p.form) + " " + FourCCText(p.desiredClass);
        if (p.form == pi::FourCC("name")) out += " \"" + p.name + "\"";
        if (p.form == pi::FourCC("Enmr") || p.form == pi::FourCC("prop")) out += " " + FourCCText(p.value);
    }
    return out;
}

}  // namespace

// ---- Records ---------------------------------------------------------------------

const ActionValue* ActionDescriptorData::Find(uint32_t key) const {
    for (const auto& e : items)
        if (e.first == key) return &e.second;
    return nullptr;
}

void ActionDescriptorData::Put(uint32_t key, ActionValue v) {
    for (auto& e : items)
        if (e.first == key) {
            e.second = std::move(v);
            return;
        }
    items.emplace_back(key, std::move(v));
}

const ActionReferencePart* ActionReferenceData::FindClass(uint32_t desiredClass) const {
    for (const auto& p : parts)
        if (p.desiredClass == desiredClass) return &p;
    return nullptr;
}

// ---- The suites ---------------------------------------------------------------------

ActionSuites::ActionSuites(Host& host) : host_(host) {
    gCurrent = this;
    for (int32_t v : {2, 3}) {
        host_.RegisterSuite(pi::kPSActionDescriptorSuite, v, &kDescriptorProcs);
        host_.RegisterSuite(pi::kPSActionReferenceSuite, v, &kReferenceProcs);
    }
    for (int32_t v : {1, 2}) host_.RegisterSuite(pi::kPSActionControlSuite, v, &kControlProcs);
}

ActionSuites::~ActionSuites() {
    for (int32_t v : {2, 3}) {
        host_.UnregisterSuite(pi::kPSActionDescriptorSuite, v);
        host_.UnregisterSuite(pi::kPSActionReferenceSuite, v);
    }
    for (int32_t v : {1, 2}) host_.UnregisterSuite(pi::kPSActionControlSuite, v);
    ActionSuites* self = this;
    gCurrent.compare_exchange_strong(self, nullptr);
}

ActionSuites* ActionSuites::Current() { return gCurrent.load(); }

void ActionSuites::AddResolver(Resolver resolver) { resolvers_.push_back(std::move(resolver)); }

pi::PIActionDescriptor ActionSuites::NewDescriptor(ActionDescriptorData data) {
    auto owned = std::make_unique<ActionDescriptorData>(std::move(data));
    D d = reinterpret_cast<D>(owned.get());
    descriptors_[d] = std::move(owned);
    return d;
}

ActionDescriptorData* ActionSuites::Descriptor(pi::PIActionDescriptor d) {
    const auto it = descriptors_.find(d);
    return it == descriptors_.end() ? nullptr : it->second.get();
}

ActionReferenceData* ActionSuites::Reference(pi::PIActionReference r) {
    const auto it = references_.find(r);
    return it == references_.end() ? nullptr : it->second.get();
}

pi::OSErr ActionSuites::FreeDescriptor(pi::PIActionDescriptor d) {
    if (descriptors_.erase(d) == 0) return Misuse("descriptor.Free");
    return pi::noErr;
}

pi::PIActionReference ActionSuites::NewReference() {
    auto owned = std::make_unique<ActionReferenceData>();
    R r = reinterpret_cast<R>(owned.get());
    references_[r] = std::move(owned);
    return r;
}

pi::OSErr ActionSuites::FreeReference(pi::PIActionReference r) {
    if (references_.erase(r) == 0) return Misuse("reference.Free");
    return pi::noErr;
}

pi::OSErr ActionSuites::Get(pi::PIActionDescriptor* result, pi::PIActionReference reference) {
    const ActionReferenceData* ref = Reference(reference);
    if (result == nullptr || ref == nullptr) return Misuse("control.Get");
    ActionDescriptorData answer;
    for (const Resolver& r : resolvers_) {
        if (r(*ref, answer)) {
            *result = NewDescriptor(std::move(answer));
            Log("control.Get", {{"reference", JsonString(DescribeReference(*ref))}}, 0);
            return pi::noErr;
        }
    }
    *result = nullptr;
    Log("control.Get", {{"reference", JsonString(DescribeReference(*ref))}}, kActionKeyMissing);
    return kActionKeyMissing;
}

uint32_t ActionSuites::StringID(const std::string& text) {
    // Runtime ids lie outside the printable four-character codes.
    const auto [it, added] = stringIds_.emplace(text, 0x40000000u + uint32_t(stringIds_.size()));
    return it->second;
}

const std::string* ActionSuites::StringOf(uint32_t typeID) const {
    for (const auto& [text, id] : stringIds_)
        if (id == typeID) return &text;
    return nullptr;
}

pi::OSErr ActionSuites::Misuse(const char* call) {
    ++misuses_;
    Log(call, {{"misuse", JsonBool(true)}}, kActionBadArgument);
    return kActionBadArgument;
}

void ActionSuites::Log(const char* call, std::vector<std::pair<std::string, std::string>> args, int64_t result) {
    host_.log().Add(call, std::move(args), result);
}

}  // namespace frostel::hostsim
