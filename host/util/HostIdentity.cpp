#include "HostIdentity.h"

#include <cstring>

namespace frostel::hostutil {

const KnownHost kKnownHosts[] = {
    {pi::FourCC("8BIM"), "", kHostReference},
};
const size_t kKnownHostCount = sizeof kKnownHosts / sizeof kKnownHosts[0];

int IdentifyHost(pi::OSType signature, const char* versionText, const KnownHost* table,
                 size_t count) {
    if (!versionText) versionText = "";
    for (size_t i = 0; table && i < count; ++i) {
        const char* prefix = table[i].versionPrefix ? table[i].versionPrefix : "";
        if (table[i].signature == signature &&
            std::strncmp(versionText, prefix, std::strlen(prefix)) == 0)
            return table[i].id;
    }
    return kHostUnknown;
}

bool ParseFixedFileVersion(const void* versionResource, size_t size, uint16_t parts[4]) {
    // The fixed block starts with its signature 0xFEEF04BD on a 32-bit
    // boundary; the file version follows the structure version.
    const auto* p = static_cast<const unsigned char*>(versionResource);
    if (!p || !parts) return false;
    for (size_t off = 0; off + 16 <= size; off += 4) {
        uint32_t words[4];
        std::memcpy(words, p + off, sizeof words);  // the resource is little-endian
        if (words[0] != 0xFEEF04BDu) continue;
        parts[0] = uint16_t(words[2] >> 16);
        parts[1] = uint16_t(words[2] & 0xFFFF);
        parts[2] = uint16_t(words[3] >> 16);
        parts[3] = uint16_t(words[3] & 0xFFFF);
        return true;
    }
    return false;
}

std::string VersionText(const uint16_t parts[4]) {
    int shown = 4;
    while (shown > 2 && parts[shown - 1] == 0) --shown;
    std::string s = std::to_string(parts[0]);
    for (int i = 1; i < shown; ++i) s += "." + std::to_string(parts[i]);
    return s;
}

}  // namespace frostel::hostutil
