#include "Pipl.h"

#include <cstring>

namespace frostel::hostsim {

namespace {

struct Reader {
    const uint8_t* p;
    size_t size;
    size_t pos = 0;

    bool Has(size_t n) const { return pos <= size && size - pos >= n; }
    uint32_t U32() {
        uint32_t v = uint32_t(p[pos]) | uint32_t(p[pos + 1]) << 8 | uint32_t(p[pos + 2]) << 16 |
                     uint32_t(p[pos + 3]) << 24;
        pos += 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    int16_t I16() {
        int16_t v = int16_t(uint16_t(p[pos]) | uint16_t(p[pos + 1]) << 8);
        pos += 2;
        return v;
    }
};

PiplParse Fail(std::string why) {
    PiplParse r;
    r.error = std::move(why);
    return r;
}

}  // namespace

std::string FourCCText(uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

PiplParse ParsePipl(const uint8_t* bytes, size_t size) {
    if (!bytes && size) return Fail("no property list");
    Reader r{bytes, size};
    if (!r.Has(10)) return Fail("property list header truncated (" + std::to_string(size) + " bytes)");
    const int16_t marker = r.I16();
    const int32_t version = r.I32();
    const int32_t count = r.I32();
    if (marker != 1) return Fail("bad property list marker " + std::to_string(marker));
    if (version != 0) return Fail("unsupported property list version " + std::to_string(version));
    if (count < 0) return Fail("negative property count");

    PiplParse out;
    for (int32_t i = 0; i < count; ++i) {
        const std::string where = "property " + std::to_string(i);
        if (!r.Has(16)) return Fail(where + ": header truncated");
        PiplProperty prop;
        prop.vendor = r.U32();
        prop.key = r.U32();
        prop.id = r.I32();
        const int32_t length = r.I32();
        if (length < 0) return Fail(where + " '" + FourCCText(prop.key) + "': negative length");
        if (!r.Has(size_t(length)))
            return Fail(where + " '" + FourCCText(prop.key) + "': data runs past the end");
        prop.data.assign(bytes + r.pos, bytes + r.pos + length);
        // The stored length leaves out the padding to the next 4-byte boundary;
        // the last record may end unpadded.
        const size_t padded = (size_t(length) + 3) & ~size_t(3);
        r.pos += r.Has(padded) ? padded : size_t(length);
        out.properties.push_back(std::move(prop));
    }
    out.ok = true;
    return out;
}

PiplEntry FindPiplEntryName(const uint8_t* bytes, size_t size, uint32_t processorKey) {
    PiplEntry e;
    const PiplParse parse = ParsePipl(bytes, size);
    if (!parse.ok) {
        e.error = parse.error;
        return e;
    }
    for (const auto& prop : parse.properties) {
        if (prop.vendor != kPiplVendor || prop.key != processorKey) continue;
        const auto* text = reinterpret_cast<const char*>(prop.data.data());
        const void* nul = prop.data.empty() ? nullptr : std::memchr(text, 0, prop.data.size());
        if (!nul) {
            e.error = "entry name under '" + FourCCText(processorKey) + "' is not terminated";
            return e;
        }
        const size_t len = size_t(static_cast<const char*>(nul) - text);
        if (len == 0) {
            e.error = "entry name under '" + FourCCText(processorKey) + "' is empty";
            return e;
        }
        e.ok = true;
        e.name.assign(text, len);
        return e;
    }
    e.error = "no entry point for this processor ('" + FourCCText(processorKey) + "') in the property list";
    return e;
}

}  // namespace frostel::hostsim
