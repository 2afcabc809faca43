// The AVX2 form of the comb entry choice (compiled with -mavx2; called only where the
// processor has AVX2).
#include "gost3410/comb_select.h"

#include <immintrin.h>

namespace vantix {

static_assert(sizeof(APoint) == 64);

// Each entry is two 32-byte halves, masked by comparing a running index with mag in every
// 32-bit lane (mag < 2^31: each 64-bit half of the mask is all ones or all zeros).
void comb_select_avx2(APoint* out, const APoint* row, int n, uint64_t mag) {
    const __m256i want = _mm256_set1_epi32(int(uint32_t(mag)));
    const __m256i step = _mm256_set1_epi32(1);
    __m256i index = step;
    __m256i acc0 = _mm256_setzero_si256(), acc1 = acc0;
    for (int j = 0; j < n; ++j) {
        const __m256i m = _mm256_cmpeq_epi32(index, want);
        index = _mm256_add_epi32(index, step);
        const __m256i* e = reinterpret_cast<const __m256i*>(&row[j]);
        acc0 = _mm256_or_si256(acc0, _mm256_and_si256(m, _mm256_loadu_si256(e)));
        acc1 = _mm256_or_si256(acc1, _mm256_and_si256(m, _mm256_loadu_si256(e + 1)));
    }
    __m256i* o = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(o, acc0);
    _mm256_storeu_si256(o + 1, acc1);
}

}  // namespace vantix
