// Length-prefixed strings: byte 0 holds the length (at most 255), the text
// follows. Where the buffer has room a zero byte is kept behind the text so
// the text can also be handed to C functions.
#pragma once

#include "HostInterface.h"

#include <cstddef>
#include <string>

namespace frostel::hostutil {

constexpr int kPStrMax = 255;

// Reverses count bytes in place.
void ReverseBytes(void* data, size_t count);
// Reverses the text of a length-prefixed string in place.
void PStrReverse(pi::Str255& s);

// Zero-terminated -> length-prefixed; text beyond 255 characters is cut.
// A null source gives the empty string.
void CToPStr(const char* src, pi::Str255& dst);
// Length-prefixed -> zero-terminated into a buffer of dstSize bytes (cut to
// fit, always terminated when dstSize > 0). Returns the characters written.
size_t PToCStr(const pi::Str255& src, char* dst, size_t dstSize);
std::string PToString(const pi::Str255& src);

// Append and prepend; text beyond 255 characters is dropped. They return
// false when something had to be dropped.
bool PStrAppend(pi::Str255& dst, const pi::Str255& src);
bool PStrPrepend(pi::Str255& dst, const pi::Str255& src);
bool PStrAppendChar(pi::Str255& dst, char c);

// Splits at the last comma or period: the text before it into head, the
// text after it into tail. Without a separator head is the whole string,
// tail is empty, and the result is false.
bool PStrSplitAtLastSeparator(const pi::Str255& src, pi::Str255& head, pi::Str255& tail);

}  // namespace frostel::hostutil
