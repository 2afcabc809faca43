// The powers of psi in one AVX2 register: all sixteen 16-bit words of the result, and no
// shuffles. A 32-bit load broadcast to every lane (a plain load on current processors) of
// the input's bytes 2j to 2j + 3 puts word j in the even lanes and word j + 1 in the odd
// ones, so fifteen such loads, masked and XORed in, cover every input word but two: word 0
// for the odd lanes and word 15 for the even ones, taken from two of the loads by a shift.
// No data-dependent address or branch. Compiled with -mavx2; called only where it runs.
#include "gost3411/psi.h"

#include <immintrin.h>

#include "common/bytes.h"

namespace vantix {

namespace {

// Mask t (0 to 14: the load at bytes 2t; 15: word 0 in the odd lanes; 16: word 15 in the
// even lanes) holds 0xFFFF in lane i when output word i takes the input word that lane
// i then holds.
struct BroadcastMasks {
    uint16_t lane[17][16];
};

constexpr bool takes(const PsiPower& p, int i, int j) { return ((p.col[j][i / 4] >> (16 * (i % 4))) & 0xFFFF) != 0; }

constexpr BroadcastMasks broadcast_masks(const PsiPower& p) {
    BroadcastMasks m{};
    for (int i = 0; i < 16; ++i) {
        const bool odd = i % 2 != 0;
        for (int t = 0; t < 15; ++t) m.lane[t][i] = takes(p, i, odd ? t + 1 : t) ? 0xFFFF : 0;
        m.lane[15][i] = odd && takes(p, i, 0) ? 0xFFFF : 0;
        m.lane[16][i] = !odd && takes(p, i, 15) ? 0xFFFF : 0;
    }
    return m;
}

constexpr BroadcastMasks kMasks61 = broadcast_masks(kPsi61);
constexpr BroadcastMasks kMasks62 = broadcast_masks(kPsi62);
constexpr BroadcastMasks kMasks74 = broadcast_masks(kPsi74);

inline __m256i mask(const BroadcastMasks& m, int t) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.lane[t]));
}

inline __m256i pair_at(const uint8_t* in, int byte) { return _mm256_set1_epi32(int(load_le32(in + byte))); }

// psi^n(in), the seventeen terms in four accumulators (a chain of five XORs, not seventeen).
inline __m256i terms(const BroadcastMasks& m, const uint8_t* in) {
    __m256i acc[4] = {_mm256_and_si256(_mm256_slli_epi32(pair_at(in, 0), 16), mask(m, 15)),
                      _mm256_and_si256(_mm256_srli_epi32(pair_at(in, 28), 16), mask(m, 16)), _mm256_setzero_si256(),
                      _mm256_setzero_si256()};
    for (int t = 0; t < 15; ++t)
        acc[t % 4] = _mm256_xor_si256(acc[t % 4], _mm256_and_si256(pair_at(in, 2 * t), mask(m, t)));
    return _mm256_xor_si256(_mm256_xor_si256(acc[0], acc[1]), _mm256_xor_si256(acc[2], acc[3]));
}

inline __m256i load32(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store32(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

}  // namespace

void psi_early_avx2(const uint8_t* h, const uint8_t* m, uint8_t* out) {
    store32(out, _mm256_xor_si256(terms(kMasks61, h), terms(kMasks62, m)));
}

void psi_late_avx2(const uint8_t* early, const uint8_t* s, uint8_t* out) {
    store32(out, _mm256_xor_si256(load32(early), terms(kMasks74, s)));
}

}  // namespace vantix
