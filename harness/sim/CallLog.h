// Ordered record of everything that crossed the host/plug-in boundary: each
// host callback with the arguments that matter and its return value, each
// selector and its result, and the host's own events (commits, faults).
// Values are kept as JSON text so the log can be written out verbatim and
// compared in tests without a JSON reader.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace frostel::hostsim {

// JSON text builders for log arguments.
std::string JsonInt(int64_t v);
std::string JsonBool(bool v);
std::string JsonString(const std::string& s);   // quoted and escaped
std::string JsonRect(int32_t top, int32_t left, int32_t bottom, int32_t right);  // [t,l,b,r]
std::string JsonNull();

struct LogEntry {
    int64_t seq = 0;
    std::string call;                                     // "newProc", "selector", ...
    std::vector<std::pair<std::string, std::string>> args;  // name -> JSON text
    bool hasResult = false;
    int64_t result = 0;

    // JSON text of the named argument, or "" when absent.
    std::string Arg(const std::string& name) const;
    std::string ToJson() const;
};

class CallLog {
public:
    using Args = std::vector<std::pair<std::string, std::string>>;

    void Add(std::string call, Args args = {});
    void Add(std::string call, Args args, int64_t result);
    void Clear() { entries_.clear(); }

    const std::vector<LogEntry>& Entries() const { return entries_; }
    size_t Count(const std::string& call) const;
    std::vector<LogEntry> Find(const std::string& call) const;
    // Sequence of calls, e.g. for "selector" entries: their "selector" argument.
    std::vector<std::string> ArgValues(const std::string& call, const std::string& arg) const;

    // A JSON array, one entry per line.
    std::string ToJson() const;
    bool WriteFile(const std::string& path) const;

private:
    std::vector<LogEntry> entries_;
    int64_t next_ = 0;
};

}  // namespace frostel::hostsim
