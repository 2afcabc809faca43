// The AVX-512 core (compiled with AVX-512 F, BW, VL and VBMI; run only where the processor
// and the operating system support them): sixteen words per register. vpermb looks up 64
// bytes at once, so the four bytes of a word each find their own sixteen-entry table by
// an index that carries the byte's position in bits 4 and 5: one lookup for the low
// nibbles and one for the high nibbles per round, and the rotation is vprold.
// GCC 12 takes the deliberately undefined pass-through operand of its AVX-512 intrinsics
// (_mm512_undefined_epi32) for an uninitialised read.
#if !defined(__clang__)  // clang has no such warning (and -Werror refuses an unknown one)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#pragma GCC diagnostic ignored "-Wuninitialized"
#include "gost28147/cores_x86.h"

namespace vantix::cores {
namespace {

struct V512 {
    using vec = __m512i;
    static constexpr int W = 16;
    struct Tab {
        vec lo, hi, low4, position;
    };
    static VX_INLINE Tab tab(const RoundTable& rt) {
        return Tab{_mm512_loadu_si512(rt.lo), _mm512_loadu_si512(rt.hi), _mm512_set1_epi8(0x0F),
                   _mm512_set1_epi32(0x30201000)};
    }
    // a XOR F(x). The two lookups are rotated apart and merged with a in one three-way
    // XOR (truth table 0x96): one step less on the chain from round to round.
    static VX_INLINE vec xor_f(const Tab& t, vec a, vec x) {
        // (x AND low4) OR position: the ternary-logic truth table 0xEA.
        const vec li = _mm512_ternarylogic_epi32(x, t.low4, t.position, 0xEA);
        const vec hi = _mm512_ternarylogic_epi32(_mm512_srli_epi32(x, 4), t.low4, t.position, 0xEA);
        return _mm512_ternarylogic_epi32(a, _mm512_rol_epi32(_mm512_permutexvar_epi8(li, t.lo), 11),
                                         _mm512_rol_epi32(_mm512_permutexvar_epi8(hi, t.hi), 11), 0x96);
    }
    static VX_INLINE vec add(vec a, vec b) { return _mm512_add_epi32(a, b); }
    static VX_INLINE vec xor_(vec a, vec b) { return _mm512_xor_si512(a, b); }
    static VX_INLINE vec bcast(const uint32_t* p) { return _mm512_set1_epi32(int(*p)); }
    static VX_INLINE void opaque(vec& v) { asm volatile("" : "+v"(v)); }
    static VX_INLINE vec load(const uint32_t (*b)[2]) { return _mm512_loadu_si512(b); }
    static VX_INLINE void store(uint32_t (*b)[2], vec v) { _mm512_storeu_si512(b, v); }
    static VX_INLINE void split(vec a, vec b, vec& x, vec& y) {
        x = _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0x88));
        y = _mm512_castps_si512(_mm512_shuffle_ps(_mm512_castsi512_ps(a), _mm512_castsi512_ps(b), 0xDD));
    }
    static VX_INLINE void join(vec x, vec y, vec& lo, vec& hi) {
        lo = _mm512_unpacklo_epi32(y, x);
        hi = _mm512_unpackhi_epi32(y, x);
    }
    static VX_INLINE vec from128(__m128i v) { return _mm512_zextsi128_si512(v); }
    static VX_INLINE __m128i to128(vec v) { return _mm512_castsi512_si128(v); }
    // Up to fifteen blocks: one group, loaded and stored under masks (no block past n is
    // touched).
    template <int K>
    static VX_INLINE void crypt_rest(const RoundTable&, const Tab& t, const uint32_t* value, const uint32_t* mask,
                                     uint32_t (*b)[2], int n) {
        const __mmask16 ma = n >= 8 ? __mmask16(0xFFFF) : __mmask16((1u << (2 * n)) - 1);
        const __mmask16 mb = n > 8 ? __mmask16((1u << (2 * (n - 8))) - 1) : __mmask16(0);
        vec x[1], y[1];
        split(_mm512_maskz_loadu_epi32(ma, b), _mm512_maskz_loadu_epi32(mb, b + 8), x[0], y[0]);
        rounds<V512, K, 1>(t, MaskedKey<V512>{value, mask}, x, y);
        vec lo, hi;
        join(x[0], y[0], lo, hi);
        _mm512_mask_storeu_epi32(b, ma, lo);
        _mm512_mask_storeu_epi32(b + 8, mb, hi);
    }
};

// Four words in one 128-bit register, for the hash step's four encipherments, which are
// bound by the latency of a round: a 16-byte vpermb takes 2 cycles where the 64-byte one
// takes 5 (AMD EPYC). It reads only bits 0 to 3 of an index, so it finds no byte position
// there: each of the four positions takes its own lookup, zero-masked to the bytes of that
// position, for the low nibbles straight from the word. The round is written turned
// (rounds_turned in cores_x86.h): the eight lookups and the other half, turned right by
// 11, merge in four three-way XORs, and only the result is rotated: about 14 cycles a
// round on an AMD EPYC (Zen 5), where every simple vector instruction takes 2.
struct V128Vbmi {
    using vec = __m128i;
    static constexpr bool kTurned = true;
    struct Tab {
        vec lo[4], hi[4];
    };
    static VX_INLINE Tab tab(const RoundTable& rt) {
        Tab t;
        for (int k = 0; k < 4; ++k) {
            t.lo[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.lo + 16 * k));
            t.hi[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.hi + 16 * k));
        }
        return t;
    }
    static VX_INLINE vec xor_f_turned(const Tab& t, vec ar, vec x) {
        const vec h = _mm_srli_epi32(x, 4);
        vec l4[4], h4[4];
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            const __mmask16 at_k = __mmask16(0x1111u << k);  // byte k of each word
            l4[k] = _mm_maskz_permutexvar_epi8(at_k, x, t.lo[k]);
            h4[k] = _mm_maskz_permutexvar_epi8(at_k, h, t.hi[k]);
        }
        const vec t1 = _mm_ternarylogic_epi32(ar, l4[0], l4[1], 0x96);
        const vec t2 = _mm_ternarylogic_epi32(l4[2], l4[3], h4[0], 0x96);
        const vec t3 = _mm_ternarylogic_epi32(h4[1], h4[2], h4[3], 0x96);
        return _mm_ternarylogic_epi32(t1, t2, t3, 0x96);
    }
    static VX_INLINE vec rol11(vec v) { return _mm_rol_epi32(v, 11); }
    static VX_INLINE vec ror11(vec v) { return _mm_ror_epi32(v, 11); }
    static VX_INLINE vec add(vec a, vec b) { return _mm_add_epi32(a, b); }
    static VX_INLINE vec from128(__m128i v) { return v; }
    static VX_INLINE __m128i to128(vec v) { return v; }
};

}  // namespace

// One block alone on the 64-byte vpermb (as fast as the word round, with no table to
// pack); the hash step's four encipherments on the 16-byte one; the feedback and MAC chains
// on the word round (faster there).
const Core kAvx512 = Core{crypt<V512>, encrypt4<V128Vbmi>, Word<NibbleF>::feedback, Word<NibbleF>::mac};

}  // namespace vantix::cores
