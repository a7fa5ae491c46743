#include "PresetFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "ParameterSanitizer.h"

namespace frostel {

const char kPresetExtension[] = ".frlpst";
const char kPresetHeader[] = "Frostel Preset;";
const char kIniFileName[] = "Frostel.ini";

namespace {

constexpr size_t kMaxToken = 63;
constexpr char kComment[] = "\t\t\t\t;";

// The key's four bytes as they lie in memory.
std::string KeyText(uint32_t key) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((key >> (8 * i)) & 0xFF);
    return s;
}

uint32_t KeyOf(const std::string& line, size_t at) {
    uint32_t key = 0;
    for (int i = 0; i < 4; ++i) key |= uint32_t(uint8_t(line[at + size_t(i)])) << (8 * i);
    return key;
}

// Key code of four characters, first character in the high byte.
uint32_t KeyCode(const char* c) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 | uint8_t(c[3]);
}

std::string IntegerText(int64_t v) { return std::to_string(v); }

// Two decimals with a point, whatever the process locale says.
std::string FloatText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    for (char* c = buf; *c; ++c)
        if (*c == ',') *c = '.';
    return buf;
}

// Byte fields: "%s %d %s \n"; integer fields (the emitter type among them): "%s %d %s\n";
// float fields: "%s %.2f %s \n".
void AppendParameterLine(std::string& out, const FilterParameters& p, const ParameterKey& k) {
    out += KeyText(k.key);
    out += ' ';
    const bool intForm = k.field == FieldType::U32 || k.key == KeyCode("EmTp");
    if (k.isFloat()) {
        out += FloatText(GetFloatField(p, k));
    } else if (k.field == FieldType::U32) {
        // Colours and the seed keep their bits as a signed 32-bit number.
        out += IntegerText(int32_t(uint32_t(GetIntegerField(p, k))));
    } else {
        out += IntegerText(GetIntegerField(p, k));
    }
    out += ' ';
    out += kComment;
    out += k.name;
    out += intForm ? "\n" : " \n";
}

void AppendIntegerLine(std::string& out, const char* key, int32_t value, const char* comment) {
    out += KeyText(KeyCode(key));
    out += ' ';
    out += IntegerText(value);
    out += ' ';
    out += kComment;
    out += comment;
    out += '\n';
}

bool IsBlank(char c) { return c == ' '; }

std::string Token(const char* text) {
    while (IsBlank(*text)) ++text;
    std::string t;
    while (t.size() < kMaxToken && *text && std::strchr("0123456789,-.Ee", *text) != nullptr) t += *text++;
    return t;
}

// The key of a line and where its value starts, or false for a comment or a short line.
// The key is the line's first four bytes (the ini's 'Top ' is written " poT"); a line
// indented by hand is read after its blanks when its raw start is no key.
template <typename Known>
bool SplitKeyLine(const std::string& line, Known known, uint32_t& key, size_t& value) {
    if (line.size() < 4 || line[0] == ';') return false;
    key = KeyOf(line, 0);
    value = 4;
    if (!known(key)) {
        size_t at = 0;
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == 0 || line.size() - at < 4 || line[at] == ';') return false;
        key = KeyOf(line, at);
        value = at + 4;
    }
    return known(key);
}

struct PlacementKey {
    const char* key;
    int32_t FilterParameters::*field;
    const char* comment;
    int32_t lo, hi;  // what the value can mean
};
// The dialog's own placement is made safe where it is used (any values);
// the curve editor's is a point on a screen and a flag.
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min(), kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kScreenMin = -32768, kScreenMax = 32767;
const PlacementKey kPlacement[] = {
    {"Left", &FilterParameters::dialogLeft, "Left of window", kInt32Min, kInt32Max},
    {"Top ", &FilterParameters::dialogTop, "Top of window", kInt32Min, kInt32Max},
    {"Wdth", &FilterParameters::dialogWidth, "Width of window", kInt32Min, kInt32Max},
    {"Hght", &FilterParameters::dialogHeight, "Height of window", kInt32Min, kInt32Max},
    {"CvLf", &FilterParameters::curveLeft, "Left of curve editor window", kScreenMin, kScreenMax},
    {"CvTp", &FilterParameters::curveTop, "Top of curve editor window", kScreenMin, kScreenMax},
    {"CvIn", &FilterParameters::curveInteractive, "Is curve editor window interactive", 0, 1},
};

const PlacementKey* FindPlacement(uint32_t key) {
    for (const PlacementKey& k : kPlacement)
        if (KeyCode(k.key) == key) return &k;
    return nullptr;
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(uint8_t(s[s.size() - n + i])) != std::tolower(uint8_t(tail[i]))) return false;
    return true;
}

}  // namespace

TextLines::TextLines(const char* data, size_t size) : data_(data), size_(size) {
    if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
}

bool TextLines::Next(std::string& line) {
    line.clear();
    if (pos_ >= size_) return false;
    while (pos_ < size_) {
        const char c = data_[pos_++];
        if (c == '\n') break;
        if (c == '\r') {
            if (pos_ < size_ && data_[pos_] == '\n') ++pos_;
            break;
        }
        if (line.size() < kMaxLine) line += c == '\t' ? ' ' : c;
    }
    return true;
}

bool ParseIntegerValue(const char* text, int64_t& value) {
    const std::string t = Token(text);
    size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (negative) ++i;
    if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
    // Accumulate toward the sign so that the most negative value fits.
    int64_t v = 0;
    constexpr int64_t lo = std::numeric_limits<int64_t>::min();
    constexpr int64_t hi = std::numeric_limits<int64_t>::max();
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        const int d = t[i] - '0';
        if (negative) {
            if (v < (lo + d) / 10) {
                v = lo;
                break;
            }
            v = v * 10 - d;
        } else {
            if (v > (hi - d) / 10) {
                v = hi;
                break;
            }
            v = v * 10 + d;
        }
    }
    value = v;
    return true;
}

bool ParseFloatValue(const char* text, double& value) {
    const std::string t = Token(text);
    size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (negative) ++i;
    long double mantissa = 0;
    int exponent = 0;
    bool digits = false;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, digits = true) mantissa = mantissa * 10 + (t[i] - '0');
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, digits = true) {
            mantissa = mantissa * 10 + (t[i] - '0');
            --exponent;
        }
    }
    if (!digits) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        const bool negExp = i < t.size() && t[i] == '-';
        if (negExp) ++i;
        int e = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) e = e < 100000 ? e * 10 + (t[i] - '0') : e;
        exponent += negExp ? -e : e;
    }
    const long double v = mantissa * std::pow(10.0L, exponent);
    value = double(negative ? -v : v);
    return true;
}

std::string ParseTextValue(const char* text) {
    while (IsBlank(*text)) ++text;
    std::string v;
    while (*text && *text != ';' && *text != '\t' && *text != '\n') v += *text++;
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
}

std::string WritePresetText(const FilterParameters& p) {
    std::string out;
    out += kPresetHeader;
    out += "\nVersion 1;\n;------Emitter------\n";
    for (const ParameterKey& k : ParameterKeys) AppendParameterLine(out, p, k);
    out += ";------The End------\n";
    return out;
}

bool ReadPresetText(const char* data, size_t size, FilterParameters& p) {
    TextLines lines(data, size);
    std::string line;
    if (!lines.Next(line) || line.compare(0, std::strlen(kPresetHeader), kPresetHeader) != 0) return false;
    const auto known = [](uint32_t key) { return FindParameter(key) != nullptr; };
    while (lines.Next(line)) {
        uint32_t key;
        size_t at;
        if (!SplitKeyLine(line, known, key, at)) continue;
        const ParameterKey& k = *FindParameter(key);
        const char* value = line.c_str() + at;
        if (k.isFloat()) {
            double v;
            if (ParseFloatValue(value, v)) StoreFloatParameter(p, k, v);
        } else {
            int64_t v;
            if (ParseIntegerValue(value, v)) StoreIntegerParameter(p, k, v);
        }
    }
    return true;
}

std::string WriteIniText(const FilterParameters& p) {
    std::string out = ";Parameters for Frostel plug-in UI\n";
    for (const PlacementKey& k : kPlacement) AppendIntegerLine(out, k.key, p.*k.field, k.comment);
    return out;
}

void ReadIniText(const char* data, size_t size, FilterParameters& p) {
    TextLines lines(data, size);
    std::string line;
    const auto known = [](uint32_t key) { return FindPlacement(key) != nullptr; };
    while (lines.Next(line)) {
        uint32_t key;
        size_t at;
        if (!SplitKeyLine(line, known, key, at)) continue;
        int64_t v;
        if (!ParseIntegerValue(line.c_str() + at, v)) continue;
        const PlacementKey& k = *FindPlacement(key);
        p.*k.field = int32_t(std::clamp<int64_t>(v, k.lo, k.hi));
    }
}

bool HasPresetExtension(const std::string& name) {
    return name.size() > std::strlen(kPresetExtension) && EndsWithNoCase(name, kPresetExtension);
}

std::string StripPresetExtension(const std::string& name) {
    return EndsWithNoCase(name, kPresetExtension) ? name.substr(0, name.size() - std::strlen(kPresetExtension))
                                                  : name;
}

bool IsImageFileName(const std::string& name) {
    for (const char* tail : {"bmp", "png", "jpg", "tiff"})
        if (EndsWithNoCase(name, tail)) return true;
    return false;
}

const char* CheckPresetName(const std::string& name) {
    if (name.empty()) return "Type a name for the preset.";
    if (name.size() > kMaxPresetName) return "The name is too long.";
    for (const char c : name) {
        if (uint8_t(c) < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr)
            return "A preset name cannot hold control characters nor any of < > : \" / \\ | ? *";
    }
    if (name.front() == ' ' || name.front() == '.' || name.back() == ' ' || name.back() == '.')
        return "A preset name cannot begin or end with a blank or a dot.";
    // Device names are reserved with any extension.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = char(std::toupper(uint8_t(c)));
    static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                           "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                           "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    for (const char* d : kDevices)
        if (stem == d) return "This name is reserved by the system.";
    return nullptr;
}

}  // namespace frostel
