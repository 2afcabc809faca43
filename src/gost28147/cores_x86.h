// The vector cores' operations, written once over a register type V; each of
// cores_ssse3.cpp, cores_avx2.cpp and cores_avx512.cpp includes this file after defining
// its V and compiles it for its instruction set. Everything here has internal linkage, so
// no function compiled for a wider instruction set can stand in for another file's.
//
// V provides: vec (the register type) and W (32-bit words per register); Tab and
// tab(rt) (the nibble tables and constants, loaded into registers once per operation);
// xor_f(tab, a, x) (a XOR the round function of x: substitution and rotation by 11, all
// in registers);
// add, xor_, bcast (a word from memory in every lane), opaque (hides a register's value
// from the optimiser); load/store of W / 2 blocks; split/join between W / 2 + W / 2
// blocks and the words x (first) and y (second) of W blocks; from128/to128 (lane 0 to 3
// of a register and back); crypt_rest (the blocks after the last whole group).
//
// The one-block transforms, the feedback and the MAC chains take the word round of
// cores_word.h, whose latency is lower (core_of; the AVX-512 core runs one block alone on
// vpermb, as fast there).
#pragma once
#include <immintrin.h>

#include <cstdint>

#include "gost28147/cores.h"
#include "gost28147/cores_word.h"

namespace vantix::cores {
namespace {

// The rounds on U registers of blocks at once: odd rounds update y, even rounds x (the
// standard's half swap is implicit). key(i) gives round key i as a register.
template <class V, int K, int U, class KeyAt>
VX_INLINE void rounds(const typename V::Tab& t, const KeyAt& key, typename V::vec* x, typename V::vec* y) {
    constexpr int R = rounds_of(K);
#pragma GCC unroll 32
    for (int r = 0; r < R; r += 2) {
        const typename V::vec k0 = key(key_at(K, r));
#pragma GCC unroll 8
        for (int u = 0; u < U; ++u) y[u] = V::xor_f(t, y[u], V::add(x[u], k0));
        const typename V::vec k1 = key(key_at(K, r + 1));
#pragma GCC unroll 8
        for (int u = 0; u < U; ++u) x[u] = V::xor_f(t, x[u], V::add(y[u], k1));
    }
}

// The same rounds for a V whose round is written turned (one that declares kTurned):
// xor_f_turned(t, ar, x) gives ar ^ (the round function of x before its rotation by 11),
// where ar is the other half turned right by 11. That is what the round before last gave
// before its own rotation, so each round keeps both forms and its chain passes one
// rotation.
template <class V, int K, class KeyAt>
VX_INLINE void rounds_turned(const typename V::Tab& t, const KeyAt& key, typename V::vec& x, typename V::vec& y) {
    constexpr int R = rounds_of(K);
    typename V::vec xr = V::ror11(x), yr = V::ror11(y);
#pragma GCC unroll 32
    for (int r = 0; r < R; r += 2) {
        yr = V::xor_f_turned(t, yr, V::add(x, key(key_at(K, r))));
        y = V::rol11(yr);
        xr = V::xor_f_turned(t, xr, V::add(y, key(key_at(K, r + 1))));
        x = V::rol11(xr);
    }
}

// Round key i in every lane, formed from value and mask in the round that uses it. The
// value passes through opaque, so the optimiser can neither form the key once for all
// rounds nor keep (or spill) it: the plain key exists only in the register of one round.
template <class V>
struct MaskedKey {
    const uint32_t* value;
    const uint32_t* mask;
    VX_INLINE typename V::vec operator()(int i) const {
        typename V::vec v = V::bcast(value + i);
        V::opaque(v);
        return V::xor_(v, V::bcast(mask + i));
    }
};

// U groups of W blocks each, in place.
template <class V, int K, int U>
VX_INLINE void crypt_groups(const typename V::Tab& t, const MaskedKey<V>& key, uint32_t (*b)[2]) {
    typename V::vec x[size_t(U)], y[size_t(U)];
#pragma GCC unroll 8
    for (int u = 0; u < U; ++u) V::split(V::load(b + u * V::W), V::load(b + u * V::W + V::W / 2), x[u], y[u]);
    rounds<V, K, U>(t, key, x, y);
#pragma GCC unroll 8
    for (int u = 0; u < U; ++u) {
        typename V::vec lo, hi;
        V::join(x[u], y[u], lo, hi);
        V::store(b + u * V::W, lo);
        V::store(b + u * V::W + V::W / 2, hi);
    }
}

template <class V, int K>
void crypt_kind(const RoundTable& rt, const MaskedKey<V>& key, uint32_t (*b)[2], int n) {
    const typename V::Tab t = V::tab(rt);
    int i = 0;
    for (; n - i >= 4 * V::W; i += 4 * V::W) crypt_groups<V, K, 4>(t, key, b + i);
    for (; n - i >= V::W; i += V::W) crypt_groups<V, K, 1>(t, key, b + i);
    if (i < n) V::template crypt_rest<K>(rt, t, key.value, key.mask, b + i, n - i);
}

template <class V>
void crypt(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t (*b)[2], int n, Order order) {
    const MaskedKey<V> key{value, mask};
    if (order == Order::Encrypt)
        crypt_kind<V, kEnc>(rt, key, b, n);
    else
        crypt_kind<V, kDec>(rt, key, b, n);
}

// The hash step's four encipherments under four plain keys, in lanes 0 to 3.
template <class V>
void encrypt4(const RoundTable& rt, const uint32_t* const* keys, uint32_t (*b)[2]) {
    const typename V::Tab t = V::tab(rt);
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2));
    typename V::vec x[1] = {V::from128(
        _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a0), _mm_castsi128_ps(a1), 0x88)))},
                    y[1] = {
                        V::from128(_mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a0), _mm_castsi128_ps(a1), 0xDD)))};
    typename V::vec k[8];
    for (int i = 0; i < 8; ++i)
        k[i] = V::from128(_mm_set_epi32(int(keys[3][i]), int(keys[2][i]), int(keys[1][i]), int(keys[0][i])));
    const auto key = [&](int i) { return k[i]; };
    if constexpr (requires { V::kTurned; })
        rounds_turned<V, kEnc>(t, key, x[0], y[0]);
    else
        rounds<V, kEnc, 1>(t, key, x, y);
    const __m128i xo = V::to128(x[0]), yo = V::to128(y[0]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b), _mm_unpacklo_epi32(yo, xo));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 2), _mm_unpackhi_epi32(yo, xo));
}

// One block alone is a chain of 32 rounds, as are the feedback and MAC chains: the word
// round (cores_word.h) has the lower latency (against pshufb's: 12 cycles a round against
// 27 on an AMD EPYC) and runs them; the vector rounds run groups.
template <class V>
void crypt_or_word(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t (*b)[2], int n,
                   Order order) {
    if (n == 1)
        Word<NibbleF>::crypt(rt, value, mask, b, n, order);
    else
        crypt<V>(rt, value, mask, b, n, order);
}

template <class V, class V4 = V>
constexpr Core core_of() {
    return Core{crypt_or_word<V>, encrypt4<V4>, Word<NibbleF>::feedback, Word<NibbleF>::mac};
}

// Four words per register with SSSE3's pshufb: the sixteen-entry table of byte k is
// applied to byte k of each word only (the other bytes' indices have bit 7 set, which
// pshufb turns into zero), eight shuffles per round for the eight nibbles.
struct V128 {
    using vec = __m128i;
    static constexpr int W = 4;
    struct Tab {
        vec lo[4], hi[4], other[4], low4;
    };
    static VX_INLINE Tab tab(const RoundTable& rt) {
        Tab t;
        for (int k = 0; k < 4; ++k) {
            t.lo[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.lo + 16 * k));
            t.hi[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rt.hi + 16 * k));
            t.other[k] = _mm_set1_epi32(int(0x80808080u & ~(0xFFu << (8 * k))));
        }
        t.low4 = _mm_set1_epi8(0x0F);
        return t;
    }
    static VX_INLINE vec f(const Tab& t, vec x) {
        const vec l = _mm_and_si128(x, t.low4), h = _mm_and_si128(_mm_srli_epi16(x, 4), t.low4);
        vec a[8];
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            a[2 * k] = _mm_shuffle_epi8(t.lo[k], _mm_or_si128(l, t.other[k]));
            a[2 * k + 1] = _mm_shuffle_epi8(t.hi[k], _mm_or_si128(h, t.other[k]));
        }
        // A balanced tree: the round's chain passes three XORs, not eight.
        const vec s = _mm_xor_si128(_mm_xor_si128(_mm_xor_si128(a[0], a[1]), _mm_xor_si128(a[2], a[3])),
                                    _mm_xor_si128(_mm_xor_si128(a[4], a[5]), _mm_xor_si128(a[6], a[7])));
        return _mm_or_si128(_mm_slli_epi32(s, 11), _mm_srli_epi32(s, 21));
    }
    static VX_INLINE vec xor_f(const Tab& t, vec a, vec x) { return _mm_xor_si128(a, f(t, x)); }
    static VX_INLINE vec add(vec a, vec b) { return _mm_add_epi32(a, b); }
    static VX_INLINE vec xor_(vec a, vec b) { return _mm_xor_si128(a, b); }
    static VX_INLINE vec bcast(const uint32_t* p) { return _mm_set1_epi32(int(*p)); }
    static VX_INLINE void opaque(vec& v) { asm volatile("" : "+x"(v)); }
    static VX_INLINE vec load(const uint32_t (*b)[2]) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)); }
    static VX_INLINE void store(uint32_t (*b)[2], vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(b), v); }
    // Per 128-bit lane: x = (a0, a2, b0, b2), y = (a1, a3, b1, b3); join undoes it with
    // the halves exchanged, as the 32-round transforms output (y, x).
    static VX_INLINE void split(vec a, vec b, vec& x, vec& y) {
        x = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), 0x88));
        y = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), 0xDD));
    }
    static VX_INLINE void join(vec x, vec y, vec& lo, vec& hi) {
        lo = _mm_unpacklo_epi32(y, x);
        hi = _mm_unpackhi_epi32(y, x);
    }
    static VX_INLINE vec from128(__m128i v) { return v; }
    static VX_INLINE __m128i to128(vec v) { return v; }
    // Fewer than four blocks: one more group, in the room the caller leaves up to four.
    template <int K>
    static VX_INLINE void crypt_rest(const RoundTable&, const Tab& t, const uint32_t* value, const uint32_t* mask,
                                     uint32_t (*b)[2], int) {
        crypt_groups<V128, K, 1>(t, MaskedKey<V128>{value, mask}, b);
    }
};

}  // namespace
}  // namespace vantix::cores
