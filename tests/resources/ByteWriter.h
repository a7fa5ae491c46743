// Builds little-endian byte blocks for the parser tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace frostel::inspect::testing {

class ByteWriter {
public:
    ByteWriter& U8(uint8_t v) { bytes_.push_back(v); return *this; }
    ByteWriter& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    ByteWriter& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    ByteWriter& I32(int32_t v) { return U32(uint32_t(v)); }
    // A code such as "kind", stored as a little-endian 32-bit value.
    ByteWriter& Code(const char* c) {
        return U32((uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) |
                   (uint32_t(uint8_t(c[2])) << 8) | uint32_t(uint8_t(c[3])));
    }
    ByteWriter& Chars(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); return *this; }
    ByteWriter& CString(const std::string& s) { return Chars(s).U8(0); }
    ByteWriter& Pascal(const std::string& s) { return U8(uint8_t(s.size())).Chars(s); }
    ByteWriter& Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); return *this; }
    ByteWriter& Bytes(const std::vector<uint8_t>& b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); return *this; }
    ByteWriter& PadTo(size_t size) { if (bytes_.size() < size) Zeros(size - bytes_.size()); return *this; }

    void PutU16(size_t at, uint16_t v) { bytes_[at] = uint8_t(v); bytes_[at + 1] = uint8_t(v >> 8); }
    void PutU32(size_t at, uint32_t v) { PutU16(at, uint16_t(v)); PutU16(at + 2, uint16_t(v >> 16)); }

    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// The first `n` bytes in a buffer of exactly that size, so that the
// sanitizer sees any read past them.
inline std::vector<uint8_t> Prefix(const std::vector<uint8_t>& b, size_t n) {
    return std::vector<uint8_t>(b.begin(), b.begin() + n);
}

}  // namespace frostel::inspect::testing
