#include "PascalString.h"

#include <algorithm>
#include <cstring>

namespace frostel::hostutil {

namespace {
// Keeps the zero byte behind the text while there is room for it.
void Terminate(pi::Str255& s) {
    if (s[0] < kPStrMax) s[s[0] + 1] = 0;
}
}  // namespace

void ReverseBytes(void* data, size_t count) {
    auto* p = static_cast<unsigned char*>(data);
    if (p) std::reverse(p, p + count);
}

void PStrReverse(pi::Str255& s) { ReverseBytes(s + 1, s[0]); }

void CToPStr(const char* src, pi::Str255& dst) {
    size_t n = 0;
    if (src) {
        while (n < size_t(kPStrMax) && src[n]) ++n;
        std::memcpy(dst + 1, src, n);
    }
    dst[0] = static_cast<unsigned char>(n);
    Terminate(dst);
}

size_t PToCStr(const pi::Str255& src, char* dst, size_t dstSize) {
    if (!dst || dstSize == 0) return 0;
    size_t n = std::min<size_t>(src[0], dstSize - 1);
    std::memcpy(dst, src + 1, n);
    dst[n] = 0;
    return n;
}

std::string PToString(const pi::Str255& src) {
    return std::string(reinterpret_cast<const char*>(src + 1), src[0]);
}

bool PStrAppend(pi::Str255& dst, const pi::Str255& src) {
    if (&dst == &src) {
        pi::Str255 copy;
        std::memcpy(copy, src, sizeof copy);
        return PStrAppend(dst, copy);
    }
    size_t room = size_t(kPStrMax) - dst[0];
    size_t n = std::min<size_t>(src[0], room);
    std::memcpy(dst + 1 + dst[0], src + 1, n);
    dst[0] = static_cast<unsigned char>(dst[0] + n);
    Terminate(dst);
    return n == src[0];
}

bool PStrPrepend(pi::Str255& dst, const pi::Str255& src) {
    pi::Str255 joined;
    std::memcpy(joined, src, sizeof joined);
    bool all = PStrAppend(joined, dst);
    std::memcpy(dst, joined, sizeof joined);
    return all;
}

bool PStrAppendChar(pi::Str255& dst, char c) {
    if (dst[0] >= kPStrMax) return false;
    dst[++dst[0]] = static_cast<unsigned char>(c);
    Terminate(dst);
    return true;
}

bool PStrSplitAtLastSeparator(const pi::Str255& src, pi::Str255& head, pi::Str255& tail) {
    int len = src[0];
    int sep = -1;
    for (int i = len; i >= 1; --i) {
        if (src[i] == ',' || src[i] == '.') { sep = i; break; }
    }
    pi::Str255 h{}, t{};
    if (sep < 0) {
        std::memcpy(h, src, size_t(len) + 1);
    } else {
        h[0] = static_cast<unsigned char>(sep - 1);
        std::memcpy(h + 1, src + 1, size_t(sep - 1));
        t[0] = static_cast<unsigned char>(len - sep);
        std::memcpy(t + 1, src + sep + 1, size_t(len - sep));
    }
    // head and tail may alias src.
    std::memcpy(head, h, sizeof h);
    std::memcpy(tail, t, sizeof t);
    return sep >= 0;
}

}  // namespace frostel::hostutil
