// Bounds-checked little-endian reading over a borrowed byte range, and the
// result type the inspection parsers return. Nothing here reads outside the
// range it was given: every read either succeeds whole or fails and leaves
// the position where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "HostInterface.h"

namespace frostel::inspect {

struct ParseError {
    std::string message;
};

inline ParseError Fail(std::string message) { return ParseError{std::move(message)}; }

// A value or the reason there is none.
template <class T>
class Expected {
public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(ParseError error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    const T& value() const { return std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    const T& operator*() const { return value(); }
    T& operator*() { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Empty when ok().
    const std::string& error() const {
        static const std::string kNone;
        return ok() ? kNone : std::get<1>(state_).message;
    }

private:
    std::variant<T, ParseError> state_;
};

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ == size_; }

    bool Seek(size_t pos) {
        if (pos > size_) return false;
        pos_ = pos;
        return true;
    }
    bool Skip(size_t n) {
        if (n > Remaining()) return false;
        pos_ += n;
        return true;
    }

    bool U8(uint8_t& out) { return ReadLE(out); }
    bool U16(uint16_t& out) { return ReadLE(out); }
    bool U32(uint32_t& out) { return ReadLE(out); }
    bool I16(int16_t& out) {
        uint16_t v;
        if (!ReadLE(v)) return false;
        out = int16_t(v);
        return true;
    }
    bool I32(int32_t& out) {
        uint32_t v;
        if (!ReadLE(v)) return false;
        out = int32_t(v);
        return true;
    }

    bool Bytes(size_t n, std::vector<uint8_t>& out) {
        if (n > Remaining()) return false;
        out.assign(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return true;
    }

    // One length byte, then that many characters; no terminator.
    bool PascalString(std::string& out) {
        const size_t start = pos_;
        uint8_t length;
        if (!U8(length) || length > Remaining()) {
            pos_ = start;
            return false;
        }
        out.assign(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return true;
    }

    // Characters up to a zero byte, which must lie inside the range; the
    // position ends after the zero.
    bool CString(std::string& out) {
        for (size_t i = pos_; i < size_; ++i) {
            if (data_[i] == 0) {
                out.assign(reinterpret_cast<const char*>(data_ + pos_), i - pos_);
                pos_ = i + 1;
                return true;
            }
        }
        return false;
    }

    // A reader over [offset, offset + length) of this one's range.
    bool Sub(size_t offset, size_t length, ByteReader& out) const {
        if (offset > size_ || length > size_ - offset) return false;
        out = ByteReader(data_ + offset, length);
        return true;
    }

    // True when every byte from the position to the end is zero.
    bool RestIsZero() const {
        for (size_t i = pos_; i < size_; ++i)
            if (data_[i] != 0) return false;
        return true;
    }

private:
    template <class U>
    bool ReadLE(U& out) {
        if (sizeof(U) > Remaining()) return false;
        U v = 0;
        for (size_t i = 0; i < sizeof(U); ++i) v = U(v | (U(data_[pos_ + i]) << (8 * i)));
        out = v;
        pos_ += sizeof(U);
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

// Four-character codes as the plug-in interface writes them: first character
// in the high byte of a 32-bit value.
using pi::FourCC;

// "'kind'" for printable codes, "0x6B696E00" otherwise.
inline std::string FourCCString(uint32_t code) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            static const char kHex[] = "0123456789ABCDEF";
            std::string hex = "0x";
            for (int s = 28; s >= 0; s -= 4) hex += kHex[(code >> s) & 0xF];
            return hex;
        }
        text += c;
    }
    return text + "'";
}

}  // namespace frostel::inspect
