#include "CallLog.h"

#include <cstdio>
#include <fstream>

namespace frostel::hostsim {

std::string JsonInt(int64_t v) { return std::to_string(v); }
std::string JsonBool(bool v) { return v ? "true" : "false"; }
std::string JsonNull() { return "null"; }

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

std::string JsonRect(int32_t top, int32_t left, int32_t bottom, int32_t right) {
    return "[" + std::to_string(top) + "," + std::to_string(left) + "," + std::to_string(bottom) +
           "," + std::to_string(right) + "]";
}

std::string LogEntry::Arg(const std::string& name) const {
    for (const auto& a : args)
        if (a.first == name) return a.second;
    return {};
}

std::string LogEntry::ToJson() const {
    std::string out = "{\"seq\":" + JsonInt(seq) + ",\"call\":" + JsonString(call);
    for (const auto& a : args) out += "," + JsonString(a.first) + ":" + a.second;
    if (hasResult) out += ",\"result\":" + JsonInt(result);
    return out + "}";
}

void CallLog::Add(std::string call, Args args) {
    LogEntry e;
    e.seq = next_++;
    e.call = std::move(call);
    e.args = std::move(args);
    entries_.push_back(std::move(e));
}

void CallLog::Add(std::string call, Args args, int64_t result) {
    Add(std::move(call), std::move(args));
    entries_.back().hasResult = true;
    entries_.back().result = result;
}

size_t CallLog::Count(const std::string& call) const {
    size_t n = 0;
    for (const auto& e : entries_) n += e.call == call;
    return n;
}

std::vector<LogEntry> CallLog::Find(const std::string& call) const {
    std::vector<LogEntry> out;
    for (const auto& e : entries_)
        if (e.call == call) out.push_back(e);
    return out;
}

std::vector<std::string> CallLog::ArgValues(const std::string& call, const std::string& arg) const {
    std::vector<std::string> out;
    for (const auto& e : entries_)
        if (e.call == call) out.push_back(e.Arg(arg));
    return out;
}

std::string CallLog::ToJson() const {
    std::string out = "[";
    for (size_t i = 0; i < entries_.size(); ++i) {
        out += i ? ",\n " : "\n ";
        out += entries_[i].ToJson();
    }
    return out + "\n]\n";
}

bool CallLog::WriteFile(const std::string& path) const {
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    const std::string text = ToJson();
    f.write(text.data(), std::streamsize(text.size()));
    return bool(f);
}

}  // namespace frostel::hostsim
