// The test host's command line for scripting: the registry file that
// carries persistent entries from one host process to the next, the
// recorded action written after the runs, the action replayed in them, and
// the switches of the descriptor service.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DescriptorService.h"

namespace frostel::hostsim {

struct ScriptingArgs {
    std::string registry;  // read before the runs (a missing file is an empty registry), written after
    std::string record;    // the descriptor of the last finish is written here
    std::string replay;    // handed to every run as the recorded action
    ScriptingOptions options;
};

// 1 when `opt` was a scripting option (its value taken through `next`), 0
// when it was one but malformed (`error` says why), -1 when it is not one.
int ParseScriptingOption(const std::string& opt, const std::function<bool(std::string&)>& next,
                         ScriptingArgs& out, std::string& error);
std::string ScriptingUsage();

using ReadFile = std::function<bool(const std::string& path, std::vector<uint8_t>& bytes)>;
using WriteFile = std::function<bool(const std::string& path, const std::vector<uint8_t>& bytes)>;

// Before the runs: the registry's persistent entries and the action to replay.
bool LoadScriptingFiles(const ScriptingArgs& args, DescriptorService& service, const ReadFile& read,
                        std::string& error);
// After the runs: the recorded action (an error when the filter recorded
// none) and the registry's persistent entries.
bool SaveScriptingFiles(const ScriptingArgs& args, const DescriptorService& service, const WriteFile& write,
                        std::string& error);

}  // namespace frostel::hostsim
