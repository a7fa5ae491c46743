// The test host's scripting suites: action descriptors (versions 2 and 3),
// action references (2 and 3) and action control (1 and 2), registered with a
// Host's basic suite. Descriptors and references live here; the control
// suite's Get answers through resolvers that other host services add (the
// layered document answers a layer's properties and the target's name).
//
// The suites' callbacks carry no context: they reach the one ActionSuites
// object alive at a time through ActionSuites::Current().
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostInterface.h"

namespace frostel::hostsim {

class Host;
struct ActionDescriptorData;
struct ActionReferenceData;

struct ActionValue {
    enum Kind { Integer, Float, UnitFloat, String, Boolean, Enumerated, Class, Object, Reference };
    Kind kind = Integer;
    int32_t integer = 0;
    double number = 0;
    uint32_t unit = 0;       // UnitFloat
    std::string text;        // String
    bool boolean = false;
    uint32_t type = 0;       // Enumerated type, Class / Object class
    uint32_t value = 0;      // Enumerated value
    std::shared_ptr<const ActionDescriptorData> object;
    std::shared_ptr<const ActionReferenceData> reference;
};

struct ActionDescriptorData {
    std::vector<std::pair<uint32_t, ActionValue>> items;  // keys in insertion order
    const ActionValue* Find(uint32_t key) const;
    void Put(uint32_t key, ActionValue v);
};

struct ActionReferencePart {
    uint32_t form = 0;          // 'name', 'indx', 'Idnt', 'rele', 'Enmr', 'prop', 'Clss'
    uint32_t desiredClass = 0;
    std::string name;
    int64_t number = 0;         // index, identifier or offset
    uint32_t type = 0, value = 0;  // enumerated; value is the key for a property
};

struct ActionReferenceData {
    std::vector<ActionReferencePart> parts;  // in the order they were put
    const ActionReferencePart* FindClass(uint32_t desiredClass) const;
};

// The descriptor type code of a value: 'long', 'doub', 'Objc', ...
uint32_t TypeCode(const ActionValue& v);

// Error codes the suites answer with.
constexpr pi::OSErr kActionKeyMissing = -1715;  // no such key
constexpr pi::OSErr kActionWrongType = -1700;   // the key holds another type
constexpr pi::OSErr kActionBadArgument = -50;   // unknown object or null argument

class ActionSuites {
public:
    // Answers a control Get: true and the result filled when the reference
    // is one it knows.
    using Resolver = std::function<bool(const ActionReferenceData& ref, ActionDescriptorData& result)>;

    explicit ActionSuites(Host& host);
    ~ActionSuites();
    ActionSuites(const ActionSuites&) = delete;
    ActionSuites& operator=(const ActionSuites&) = delete;

    void AddResolver(Resolver resolver);

    // Objects the plug-in made (or received from Get) and has not freed.
    int LiveDescriptors() const { return int(descriptors_.size()); }
    int LiveReferences() const { return int(references_.size()); }
    int Misuses() const { return misuses_; }

    static ActionSuites* Current();

    // Bodies of the callbacks.
    pi::PIActionDescriptor NewDescriptor(ActionDescriptorData data = {});
    ActionDescriptorData* Descriptor(pi::PIActionDescriptor d);
    ActionReferenceData* Reference(pi::PIActionReference r);
    pi::OSErr FreeDescriptor(pi::PIActionDescriptor d);
    pi::PIActionReference NewReference();
    pi::OSErr FreeReference(pi::PIActionReference r);
    pi::OSErr Get(pi::PIActionDescriptor* result, pi::PIActionReference reference);
    pi::OSErr Misuse(const char* call);
    // The control suite's conversion of a string identifier to a key: the
    // same text always gives the same key.
    uint32_t StringID(const std::string& text);
    const std::string* StringOf(uint32_t typeID) const;
    void Log(const char* call, std::vector<std::pair<std::string, std::string>> args, int64_t result);

private:
    Host& host_;
    std::map<pi::PIActionDescriptor, std::unique_ptr<ActionDescriptorData>> descriptors_;
    std::map<pi::PIActionReference, std::unique_ptr<ActionReferenceData>> references_;
    std::vector<Resolver> resolvers_;
    std::map<std::string, uint32_t> stringIds_;
    int misuses_ = 0;
};

}  // namespace frostel::hostsim
