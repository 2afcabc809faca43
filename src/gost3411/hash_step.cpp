#include "gost3411/hash_step.h"

#include <emmintrin.h>

#include <cstring>
#include <utility>

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/transform.h"
#include "gost3411/psi.h"

namespace vantix {

namespace {

// The standard's constant C3 as 32 bytes, least significant byte first
// (words 0xff00ff00, 0xff00ff00, 0x00ff00ff, 0x00ff00ff, 0x00ffff00, 0xff0000ff,
// 0x000000ff, 0xff00ffff, least significant word first).
constexpr uint8_t kC3[32] = {
    0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00,
    0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0x00, 0xff,
};

// A(Y) on four 64-bit words (least significant first): shift down by one word, the new
// top word is y1 XOR y2 (words 0 and 1 here).
inline void transform_a(uint64_t* y) {
    const uint64_t top = y[0] ^ y[1];
    y[0] = y[1];
    y[1] = y[2];
    y[2] = y[3];
    y[3] = top;
}

// P(W) straight into the eight key words: byte i + 4k of P(W) is byte 8i + k of W, so key
// word k gathers byte k of each of W's four 64-bit words: a 4 x 8 byte transposition, two
// rounds of interleaving (SSE2, which every x86-64 processor has).
inline void transform_p_key(uint32_t* key, const uint64_t* w) {
    const __m128i ab = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(w[0])), _mm_cvtsi64_si128(int64_t(w[1])));
    const __m128i cd = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(w[2])), _mm_cvtsi64_si128(int64_t(w[3])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(key), _mm_unpacklo_epi16(ab, cd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(key + 4), _mm_unpackhi_epi16(ab, cd));
}

// Sixteen 16-bit words in two SSE2 registers, words 0-7 and 8-15, as the 32 bytes read
// little-endian (SSE2: every x86-64 processor has it).
struct Words {
    __m128i lo, hi;
};

inline __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Word J of v in every lane (two shuffles; J is an immediate).
template <int J>
inline __m128i spread(const Words& v) {
    const __m128i src = J < 8 ? v.lo : v.hi;
    constexpr int w = J % 8;
    if constexpr (w < 4)
        return _mm_shuffle_epi32(_mm_shufflelo_epi16(src, w * 0x55), 0x00);
    else
        return _mm_shuffle_epi32(_mm_shufflehi_epi16(src, (w - 4) * 0x55), 0xAA);
}

// psi^n(in): each input word spread to every lane, masked by its column and added in; no
// data-dependent address or branch. Four accumulators merged at the end keep the chain of
// XORs four long, not sixteen.
template <int... J>
inline Words terms(const PsiPower& p, const uint8_t* in, std::integer_sequence<int, J...>) {
    const Words v{load16(in), load16(in + 16)};
    const __m128i z = _mm_setzero_si128();
    Words part[4] = {{z, z}, {z, z}, {z, z}, {z, z}};
    (
        [&] {
            const __m128i b = spread<J>(v);
            Words& a = part[J % 4];
            a.lo = _mm_xor_si128(a.lo, _mm_and_si128(b, load16(reinterpret_cast<const uint8_t*>(p.col[J]))));
            a.hi = _mm_xor_si128(a.hi, _mm_and_si128(b, load16(reinterpret_cast<const uint8_t*>(p.col[J] + 2))));
        }(),
        ...);
    return {_mm_xor_si128(_mm_xor_si128(part[0].lo, part[1].lo), _mm_xor_si128(part[2].lo, part[3].lo)),
            _mm_xor_si128(_mm_xor_si128(part[0].hi, part[1].hi), _mm_xor_si128(part[2].hi, part[3].hi))};
}

inline Words terms(const PsiPower& p, const uint8_t* in) { return terms(p, in, std::make_integer_sequence<int, 16>{}); }

// The SSE2 forms of psi_early_avx2 and psi_late_avx2 (psi.h).
void psi_early_sse2(const uint8_t* h, const uint8_t* m, uint8_t* out) {
    const Words x = terms(kPsi61, h);
    const Words y = terms(kPsi62, m);
    store16(out, _mm_xor_si128(x.lo, y.lo));
    store16(out + 16, _mm_xor_si128(x.hi, y.hi));
}

void psi_late_sse2(const uint8_t* early, const uint8_t* s, uint8_t* out) {
    const Words x = terms(kPsi74, s);
    store16(out, _mm_xor_si128(load16(early), x.lo));
    store16(out + 16, _mm_xor_si128(load16(early + 16), x.hi));
}

}  // namespace

void hash_step(const uint32_t* t, uint8_t* h, const uint8_t* m) {
    RoundTable rt;
    round_table_prepare(t, &rt);
    hash_step(rt, h, m);
}

void hash_step(const RoundTable& rt, uint8_t* h, const uint8_t* m) {
    struct Work {
        uint64_t u[4], v[4], w[4];
        uint32_t key[4][8];
        uint32_t blk[4][2];  // h's four blocks, then s: as bytes, s read little-endian
        uint8_t early[32];   // psi^61(h) ^ psi^62(m)
    } wk;
    WipeOnExit<Work> wipe(wk);
    const bool avx2 = cipher_path() >= CipherPath::Avx2;
    for (int i = 0; i < 4; ++i) {
        wk.u[i] = load_le64(h + 8 * i);
        wk.v[i] = load_le64(m + 8 * i);
    }
    // The terms of h and m first: they keep the processor busy while the encipherments'
    // chain of rounds runs. m may alias h: both are read here, before h is written.
    (avx2 ? psi_early_avx2 : psi_early_sse2)(h, m, wk.early);
    // The four keys first, then the four encipherments of h's blocks together.
    for (int j = 0; j < 4; ++j) {
        if (j > 0) {
            transform_a(wk.u);
            if (j == 2)
                for (int i = 0; i < 4; ++i) wk.u[i] ^= load_le64(kC3 + 8 * i);
            transform_a(wk.v);
            transform_a(wk.v);
        }
        for (int i = 0; i < 4; ++i) wk.w[i] = wk.u[i] ^ wk.v[i];
        transform_p_key(wk.key[j], wk.w);
    }
    // h's blocks, two little-endian words each: h's bytes as they are, copied 16 at a time
    // (the encipherments read them so; from eight 4-byte stores the read would wait for
    // the stores to complete).
    store16(reinterpret_cast<uint8_t*>(wk.blk), load16(h));
    store16(reinterpret_cast<uint8_t*>(wk.blk) + 16, load16(h + 16));
    const uint32_t* keys[4] = {wk.key[0], wk.key[1], wk.key[2], wk.key[3]};
    encrypt_blocks_keys4(rt, keys, wk.blk);
    // Block j's two words, stored least significant byte first, are s_j's eight bytes.
    (avx2 ? psi_late_avx2 : psi_late_sse2)(wk.early, reinterpret_cast<const uint8_t*>(wk.blk), h);
}

}  // namespace vantix
