#include "PlanarKernels.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#define FROSTEL_X86 1
#include <immintrin.h>
#endif

namespace frostel::planar {

void BlendColumnScalar(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int dv = d[i];
        // Signed division truncates toward zero, so the step never overshoots s.
        d[i] = uint8_t(dv + (int(s[i]) - dv) * int(m[i]) / 255);
    }
}

#ifdef FROSTEL_X86
// |s - d| x m fits an unsigned 16-bit lane (at most 65025), and for every
// x below 65536 x / 255 = (x * 0x8081) >> 23; the sign of s - d is put back
// afterwards, which truncates toward zero as the scalar form does.
__attribute__((target("sse4.1"))) void BlendColumnSse41(uint8_t* d, const uint8_t* s,
                                                         const uint8_t* m, size_t n) {
    const __m128i magic = _mm_set1_epi16(short(0x8081));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i dv = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + i)));
        const __m128i sv = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i)));
        const __m128i mv = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m + i)));
        const __m128i diff = _mm_sub_epi16(sv, dv);
        const __m128i product = _mm_mullo_epi16(_mm_abs_epi16(diff), mv);
        const __m128i quotient = _mm_srli_epi16(_mm_mulhi_epu16(product, magic), 7);
        const __m128i out = _mm_add_epi16(dv, _mm_sign_epi16(quotient, diff));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(out, out));
    }
    BlendColumnScalar(d + i, s + i, m + i, n - i);
}

bool HaveSse41() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
    }();
    return have;
}
#else
void BlendColumnSse41(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n) {
    BlendColumnScalar(d, s, m, n);
}
bool HaveSse41() { return false; }
#endif

namespace {
std::atomic<bool> gVectorPaths{true};
}

void SetVectorPathsEnabled(bool enabled) { gVectorPaths = enabled; }
bool VectorPathsEnabled() { return gVectorPaths.load(); }

void BlendColumn(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n) {
    if (gVectorPaths.load(std::memory_order_relaxed) && HaveSse41())
        BlendColumnSse41(d, s, m, n);
    else
        BlendColumnScalar(d, s, m, n);
}

}  // namespace frostel::planar
