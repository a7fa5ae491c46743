// The test host's scripting services beside the action suites: the filter
// record's classic descriptor block (read and write callbacks, playInfo,
// the descriptor of a recorded action), the descriptor registry suite with
// entries that a later host process restores from a file, and the running
// application's descriptor that the action-control suite answers (host
// version, limited edition).
//
// Like the other services it attaches itself to every record the host
// builds; its callbacks reach the one live service through Current().
// Each part can be withheld: the block by option, the suites with the
// host's disabledSuites.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ActionSuites.h"
#include "DescriptorText.h"
#include "HostInterface.h"

namespace frostel::hostsim {

class Host;

struct ScriptingOptions {
    bool descriptorParameters = true;  // the classic block with its read and write callbacks
    int16_t playInfo = pi::plugInDialogDontDisplay;
    int32_t hostVersion = 21;          // the application's major version; 0: not told
    bool limitedEdition = false;       // the application says "limited"
};

// Codes of the classic callbacks.
constexpr pi::OSErr kDescriptorMissingKeys = pi::errMissingParameter;  // close: an expected key never came
constexpr pi::OSErr kDescriptorWrongType = kActionWrongType;            // get: the key holds another type
constexpr pi::OSErr kDescriptorNoValue = kActionKeyMissing;             // get before any key

class DescriptorService {
public:
    DescriptorService(Host& host, ScriptingOptions options = {});
    ~DescriptorService();
    DescriptorService(const DescriptorService&) = delete;
    DescriptorService& operator=(const DescriptorService&) = delete;

    ScriptingOptions& options() { return options_; }
    ActionSuites& actions() { return *actions_; }

    // The recorded action handed to the plug-in, with the options' playInfo,
    // in every following run; none to stop replaying.
    void Replay(std::optional<ActionDescriptorData> action);
    // What the plug-in left in the block at its last finish; none when it
    // recorded nothing.
    std::optional<ActionDescriptorData> Recorded() const;

    // The registry. Persistent entries are what a host restart keeps.
    struct Entry {
        ActionDescriptorData data;
        bool persistent = false;
    };
    const std::map<std::string, Entry>& registry() const { return registry_; }
    RegistryEntries PersistentEntries() const;
    void RestorePersistent(const RegistryEntries& entries);

    int Misuses() const;      // here and in the action suites
    int OpenTokens() const;   // read or write descriptors opened and not closed

    static DescriptorService* Current();

    // Bodies of the callbacks.
    struct ReadToken {
        ActionDescriptorData data;
        size_t next = 0;
        const ActionValue* current = nullptr;
        pi::DescriptorKeyID* expected = nullptr;  // the plug-in's array; found keys are marked in it
    };
    struct WriteToken {
        ActionDescriptorData data;
    };
    ReadToken* Read(pi::PIReadDescriptor token);
    WriteToken* Write(pi::PIWriteDescriptor token);
    pi::PIReadDescriptor OpenRead(pi::PIDescriptorHandle h, pi::DescriptorKeyID* expected);
    pi::OSErr CloseRead(pi::PIReadDescriptor token);
    pi::PIWriteDescriptor OpenWrite();
    pi::OSErr CloseWrite(pi::PIWriteDescriptor token, pi::PIDescriptorHandle* out);
    pi::OSErr Register(const char* key, pi::PIActionDescriptor d, bool persistent);
    pi::OSErr Erase(const char* key);
    pi::OSErr Get(const char* key, pi::PIActionDescriptor* out);
    pi::OSErr Misuse(const char* call);
    void Log(const char* call, std::vector<std::pair<std::string, std::string>> args, int64_t result);

private:
    void Attach(pi::FilterRecord& r);
    bool Resolve(const ActionReferenceData& ref, ActionDescriptorData& out);
    std::optional<ActionDescriptorData> Parse(pi::PIDescriptorHandle h) const;
    // The block holds a descriptor the plug-in wrote, not the one handed to it.
    bool HoldsRecording() const;

    Host& host_;
    ScriptingOptions options_;
    ActionSuites* actions_ = nullptr;
    std::unique_ptr<ActionSuites> ownActions_;  // when no other service brought them
    pi::PIDescriptorParameters block_{};
    pi::ReadDescriptorProcs readProcs_{};
    pi::WriteDescriptorProcs writeProcs_{};
    std::optional<ActionDescriptorData> replay_;
    int handed_ = 0;  // the host's number of the replayed action's handle
    std::optional<ActionDescriptorData> recorded_;
    std::map<std::string, Entry> registry_;
    std::map<pi::PIReadDescriptor, std::unique_ptr<ReadToken>> reads_;
    std::map<pi::PIWriteDescriptor, std::unique_ptr<WriteToken>> writes_;
    int misuses_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace frostel::hostsim
