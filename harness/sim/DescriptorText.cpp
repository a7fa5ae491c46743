#include "DescriptorText.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <vector>

#include "HostInterface.h"

namespace frostel::hostsim {

namespace {

using AV = ActionValue;

bool Printable(uint32_t code) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned c = (code >> shift) & 0xFF;
        if (c < 0x20 || c > 0x7E || c == '\'') return false;
    }
    return true;
}

std::string KeyText(uint32_t code) {
    char buf[16];
    if (Printable(code))
        std::snprintf(buf, sizeof buf, "'%c%c%c%c'", char(code >> 24), char(code >> 16), char(code >> 8), char(code));
    else
        std::snprintf(buf, sizeof buf, "0x%08" PRIX32, code);
    return buf;
}

std::string NumberText(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

void Write(const ActionDescriptorData& d, const std::string& indent, std::string& out) {
    for (const auto& [key, v] : d.items) {
        std::string line = indent + KeyText(key) + " ";
        switch (v.kind) {
            case AV::Integer: line += "long " + std::to_string(v.integer); break;
            case AV::Float: line += "doub " + NumberText(v.number); break;
            case AV::UnitFloat: line += "UntF " + KeyText(v.unit) + " " + NumberText(v.number); break;
            case AV::String: line += "TEXT " + Quoted(v.text); break;
            case AV::Boolean: line += v.boolean ? "bool true" : "bool false"; break;
            case AV::Enumerated: line += "enum " + KeyText(v.type) + " " + KeyText(v.value); break;
            case AV::Class: line += "type " + KeyText(v.type); break;
            case AV::Object:
                out += line + "Objc " + KeyText(v.type) + " {\n";
                Write(*v.object, indent + "  ", out);
                out += indent + "}\n";
                continue;
            case AV::Reference: continue;  // lives only while the host runs
        }
        out += line + "\n";
    }
}

// Tokens: 'abcd' keys, 0x... keys, "strings", words and braces; '#' starts
// a comment up to the end of its line.
struct Token {
    enum Kind { Key, String, Word, Open, Close, End } kind = End;
    std::string text;
    uint32_t key = 0;
    int line = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string& s) : s_(s) {}

    bool Next(Token& t, std::string& error) {
        SkipSpace();
        t = Token{};
        t.line = line_;
        if (at_ >= s_.size()) return true;
        const char c = s_[at_];
        if (c == '{' || c == '}') {
            t.kind = c == '{' ? Token::Open : Token::Close;
            ++at_;
            return true;
        }
        if (c == '\'') {
            if (at_ + 5 >= s_.size() || s_[at_ + 5] != '\'') return Fail("a key is four characters in quotes", error);
            for (size_t i = 1; i <= 4; ++i) t.key = (t.key << 8) | uint8_t(s_[at_ + i]);
            t.kind = Token::Key;
            at_ += 6;
            return true;
        }
        if (c == '"') {
            ++at_;
            while (at_ < s_.size() && s_[at_] != '"') {
                if (s_[at_] == '\n') return Fail("unterminated string", error);
                if (s_[at_] == '\\' && at_ + 1 < s_.size()) ++at_;
                t.text += s_[at_++];
            }
            if (at_ >= s_.size()) return Fail("unterminated string", error);
            ++at_;
            t.kind = Token::String;
            return true;
        }
        while (at_ < s_.size() && !std::isspace(uint8_t(s_[at_])) && s_[at_] != '{' && s_[at_] != '}')
            t.text += s_[at_++];
        t.kind = Token::Word;
        if (t.text.size() == 10 && t.text.compare(0, 2, "0x") == 0) {
            char* end = nullptr;
            const unsigned long v = std::strtoul(t.text.c_str() + 2, &end, 16);
            if (*end == 0) {
                t.kind = Token::Key;
                t.key = uint32_t(v);
            }
        }
        return true;
    }

    bool Fail(const std::string& why, std::string& error) const {
        error = "line " + std::to_string(line_) + ": " + why;
        return false;
    }

private:
    void SkipSpace() {
        while (at_ < s_.size()) {
            const char c = s_[at_];
            if (c == '\n') {
                ++line_;
                ++at_;
            } else if (std::isspace(uint8_t(c))) {
                ++at_;
            } else if (c == '#') {
                while (at_ < s_.size() && s_[at_] != '\n') ++at_;
            } else {
                break;
            }
        }
    }

    const std::string& s_;
    size_t at_ = 0;
    int line_ = 1;
};

class Parser {
public:
    explicit Parser(const std::string& text) : lex_(text) {}

    bool Advance() { return lex_.Next(tok_, error_); }
    const Token& tok() const { return tok_; }
    std::string& error() { return error_; }

    bool Fail(const std::string& why) {
        error_ = "line " + std::to_string(tok_.line) + ": " + why;
        return false;
    }

    bool TakeKey(uint32_t& key, const char* what) {
        if (tok_.kind != Token::Key) return Fail(std::string("expected ") + what);
        key = tok_.key;
        return Advance();
    }

    bool TakeWord(std::string& word, const char* what) {
        if (tok_.kind != Token::Word) return Fail(std::string("expected ") + what);
        word = tok_.text;
        wordLine_ = tok_.line;
        return Advance();
    }

    // A word already taken is wrong: the error names its line.
    bool FailWord(const std::string& why) {
        error_ = "line " + std::to_string(wordLine_) + ": " + why;
        return false;
    }

    bool TakeNumber(double& v) {
        std::string w;
        if (!TakeWord(w, "a number")) return false;
        char* end = nullptr;
        v = std::strtod(w.c_str(), &end);
        return *end == 0 || FailWord("'" + w + "' is not a number");
    }

    // Items until the end of the text, or until '}' when `nested`. A key
    // given twice keeps its first place and its last value, as Put does;
    // found through an index, so that long texts read in linear time.
    bool Items(ActionDescriptorData& d, bool nested) {
        std::unordered_map<uint32_t, size_t> at;
        for (size_t i = 0; i < d.items.size(); ++i) at.emplace(d.items[i].first, i);
        for (;;) {
            if (tok_.kind == Token::End) return !nested || Fail("missing '}'");
            if (tok_.kind == Token::Close) return nested || Fail("unexpected '}'");
            uint32_t key = 0;
            if (!TakeKey(key, "a key")) return false;
            AV v;
            if (!Value(v)) return false;
            const auto [it, fresh] = at.emplace(key, d.items.size());
            if (fresh) d.items.emplace_back(key, std::move(v));
            else d.items[it->second].second = std::move(v);
        }
    }

    bool Value(AV& v) {
        std::string type;
        if (!TakeWord(type, "a type")) return false;
        if (type == "long") {
            std::string w;
            if (!TakeWord(w, "an integer")) return false;
            errno = 0;
            char* end = nullptr;
            const long long n = std::strtoll(w.c_str(), &end, 10);
            if (*end != 0 || errno != 0 || n < INT32_MIN || n > INT32_MAX)
                return FailWord("'" + w + "' is not a 32-bit integer");
            v.kind = AV::Integer;
            v.integer = int32_t(n);
            return true;
        }
        if (type == "doub") {
            v.kind = AV::Float;
            return TakeNumber(v.number);
        }
        if (type == "UntF") {
            v.kind = AV::UnitFloat;
            return TakeKey(v.unit, "a unit") && TakeNumber(v.number);
        }
        if (type == "bool") {
            std::string w;
            if (!TakeWord(w, "true or false")) return false;
            if (w != "true" && w != "false") return FailWord("'" + w + "' is not true or false");
            v.kind = AV::Boolean;
            v.boolean = w == "true";
            return true;
        }
        if (type == "TEXT") {
            if (tok_.kind != Token::String) return Fail("expected a quoted string");
            v.kind = AV::String;
            v.text = tok_.text;
            return Advance();
        }
        if (type == "enum") {
            v.kind = AV::Enumerated;
            return TakeKey(v.type, "an enumeration type") && TakeKey(v.value, "an enumeration value");
        }
        if (type == "type") {
            v.kind = AV::Class;
            return TakeKey(v.type, "a class");
        }
        if (type == "Objc") {
            v.kind = AV::Object;
            if (!TakeKey(v.type, "a class")) return false;
            if (tok_.kind != Token::Open) return Fail("expected '{'");
            if (!Advance()) return false;
            auto inner = std::make_shared<ActionDescriptorData>();
            if (!Items(*inner, true) || !Advance()) return false;
            v.object = std::move(inner);
            return true;
        }
        return FailWord("unknown type '" + type + "'");
    }

private:
    Lexer lex_;
    Token tok_;
    int wordLine_ = 0;
    std::string error_;
};

}  // namespace

std::string DescriptorToText(const ActionDescriptorData& d) {
    std::string out;
    Write(d, "", out);
    return out;
}

bool DescriptorFromText(const std::string& text, ActionDescriptorData& out, std::string& error) {
    Parser p(text);
    ActionDescriptorData d;
    if (!p.Advance() || !p.Items(d, false)) {
        error = p.error();
        return false;
    }
    out = std::move(d);
    return true;
}

std::string RegistryToText(const RegistryEntries& entries) {
    std::string out;
    for (const auto& [key, d] : entries) {
        out += "entry " + Quoted(key) + " {\n";
        Write(d, "  ", out);
        out += "}\n";
    }
    return out;
}

bool RegistryFromText(const std::string& text, RegistryEntries& out, std::string& error) {
    Parser p(text);
    RegistryEntries entries;
    bool ok = p.Advance();
    while (ok && p.tok().kind != Token::End) {
        if (p.tok().kind != Token::Word || p.tok().text != "entry") {
            ok = p.Fail("expected 'entry'");
            break;
        }
        ok = p.Advance();
        if (!ok) break;
        if (p.tok().kind != Token::String) {
            ok = p.Fail("expected the entry's key in quotes");
            break;
        }
        const std::string key = p.tok().text;
        ok = p.Advance();
        if (ok && p.tok().kind != Token::Open) ok = p.Fail("expected '{'");
        ActionDescriptorData d;
        ok = ok && p.Advance() && p.Items(d, true) && p.Advance();
        if (ok) entries[key] = std::move(d);
    }
    if (!ok) {
        error = p.error();
        return false;
    }
    out = std::move(entries);
    return true;
}

}  // namespace frostel::hostsim
