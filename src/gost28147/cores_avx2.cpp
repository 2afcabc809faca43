// The AVX2 core (compiled with -mavx2; run only where the processor and the operating
// system support AVX2): eight words per register, each 128-bit half shuffled with its own
// copy of the nibble tables. The hash step's four lanes use the 128-bit form, VEX-encoded.
#include "gost28147/cores_x86.h"

namespace vantix::cores {
namespace {

struct V256 {
    using vec = __m256i;
    static constexpr int W = 8;
    struct Tab {
        vec lo[4], hi[4], other[4], low4;
    };
    static VX_INLINE Tab tab(const RoundTable& rt) {
        Tab t;
        for (int k = 0; k < 4; ++k) {
            t.lo[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.lo + 16 * k)));
            t.hi[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.hi + 16 * k)));
            t.other[k] = _mm256_set1_epi32(int(0x80808080u & ~(0xFFu << (8 * k))));
        }
        t.low4 = _mm256_set1_epi8(0x0F);
        return t;
    }
    static VX_INLINE vec f(const Tab& t, vec x) {
        const vec l = _mm256_and_si256(x, t.low4), h = _mm256_and_si256(_mm256_srli_epi16(x, 4), t.low4);
        vec s = _mm256_xor_si256(_mm256_shuffle_epi8(t.lo[0], _mm256_or_si256(l, t.other[0])),
                                 _mm256_shuffle_epi8(t.hi[0], _mm256_or_si256(h, t.other[0])));
#pragma GCC unroll 4
        for (int k = 1; k < 4; ++k) {
            s = _mm256_xor_si256(s, _mm256_shuffle_epi8(t.lo[k], _mm256_or_si256(l, t.other[k])));
            s = _mm256_xor_si256(s, _mm256_shuffle_epi8(t.hi[k], _mm256_or_si256(h, t.other[k])));
        }
        return _mm256_or_si256(_mm256_slli_epi32(s, 11), _mm256_srli_epi32(s, 21));
    }
    static VX_INLINE vec xor_f(const Tab& t, vec a, vec x) { return _mm256_xor_si256(a, f(t, x)); }
    static VX_INLINE vec add(vec a, vec b) { return _mm256_add_epi32(a, b); }
    static VX_INLINE vec xor_(vec a, vec b) { return _mm256_xor_si256(a, b); }
    static VX_INLINE vec bcast(const uint32_t* p) { return _mm256_set1_epi32(int(*p)); }
    static VX_INLINE void opaque(vec& v) { asm volatile("" : "+x"(v)); }
    static VX_INLINE vec load(const uint32_t (*b)[2]) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    }
    static VX_INLINE void store(uint32_t (*b)[2], vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(b), v); }
    static VX_INLINE void split(vec a, vec b, vec& x, vec& y) {
        x = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0x88));
        y = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0xDD));
    }
    static VX_INLINE void join(vec x, vec y, vec& lo, vec& hi) {
        lo = _mm256_unpacklo_epi32(y, x);
        hi = _mm256_unpackhi_epi32(y, x);
    }
    // Up to seven blocks: groups of four in the 128-bit form.
    template <int K>
    static VX_INLINE void crypt_rest(const RoundTable& rt, const Tab&, const uint32_t* value, const uint32_t* mask,
                                     uint32_t (*b)[2], int n) {
        crypt_kind<V128, K>(rt, MaskedKey<V128>{value, mask}, b, n);
    }
};

}  // namespace

const Core kAvx2 = core_of<V256, V128>();

}  // namespace vantix::cores
