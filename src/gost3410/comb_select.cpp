// The 16-byte form of the comb entry choice (every x86-64 processor) and the choice of form.
#include "gost3410/comb_select.h"

#include <emmintrin.h>

#include <atomic>

namespace vantix {

// out = the entry whose index + 1 equals mag (all zero for mag = 0), reading every entry:
// 64 bytes each, four 16-byte lanes masked and ORed together. The mask of each entry comes
// from comparing a running index with mag in vector registers (mag < 2^31: a 32-bit
// compare on every lane gives all ones or all zeros across each 64-bit half).
void comb_select_sse2(APoint* out, const APoint* row, int n, uint64_t mag) {
    const __m128i want = _mm_set1_epi32(int(uint32_t(mag)));
    const __m128i step = _mm_set1_epi32(1);
    __m128i index = step;
    __m128i acc0 = _mm_setzero_si128(), acc1 = acc0, acc2 = acc0, acc3 = acc0;
    for (int j = 0; j < n; ++j) {
        const __m128i m = _mm_cmpeq_epi32(index, want);
        index = _mm_add_epi32(index, step);
        const __m128i* e = reinterpret_cast<const __m128i*>(&row[j]);
        acc0 = _mm_or_si128(acc0, _mm_and_si128(m, _mm_loadu_si128(e)));
        acc1 = _mm_or_si128(acc1, _mm_and_si128(m, _mm_loadu_si128(e + 1)));
        acc2 = _mm_or_si128(acc2, _mm_and_si128(m, _mm_loadu_si128(e + 2)));
        acc3 = _mm_or_si128(acc3, _mm_and_si128(m, _mm_loadu_si128(e + 3)));
    }
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, acc0);
    _mm_storeu_si128(o + 1, acc1);
    _mm_storeu_si128(o + 2, acc2);
    _mm_storeu_si128(o + 3, acc3);
}

namespace {
std::atomic<CombSelect> g_comb_select{CombSelect::Auto};
}

void comb_select_force(CombSelect form) { g_comb_select.store(form, std::memory_order_relaxed); }

CombSelectFn comb_select_current() {
    switch (g_comb_select.load(std::memory_order_relaxed)) {
        case CombSelect::Sse2: return comb_select_sse2;
        case CombSelect::Avx2: return comb_select_avx2;
        default: return cpu_has_avx2() ? comb_select_avx2 : comb_select_sse2;
    }
}

}  // namespace vantix
