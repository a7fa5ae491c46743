#include "ColorArrays.h"

#include <algorithm>

namespace frostel {

pi::OSErr SuiteErrorToResult(pi::SPErr err) {
    if (err == 0) return pi::noErr;
    return err >= -32768 && err <= 32767 ? pi::OSErr(err) : pi::errPlugInHostInsufficient;
}

namespace {

template <typename Color, typename Convert>
pi::OSErr ConvertInPieces(Convert convert, int16_t from, int16_t to, Color* colors, size_t count) {
    if (convert == nullptr) return pi::errPlugInHostInsufficient;
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, size_t(pi::kMaxColorArrayCount));
        if (const pi::SPErr err = convert(from, to, colors + done, int16_t(n))) return SuiteErrorToResult(err);
        done += n;
    }
    return pi::noErr;
}

}  // namespace

pi::OSErr ConvertColorArray8(const pi::PSColorSpaceSuite1& suite, int16_t from, int16_t to, pi::Color8* colors,
                             size_t count) {
    return ConvertInPieces(suite.Convert8, from, to, colors, count);
}

pi::OSErr ConvertColorArray16(const pi::PSColorSpaceSuite1& suite, int16_t from, int16_t to,
                              pi::Color16* colors, size_t count) {
    return ConvertInPieces(suite.Convert16, from, to, colors, count);
}

}  // namespace frostel
