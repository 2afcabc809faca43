// The two word-at-a-time cores: the constant-time one (each nibble substituted by shifting
// its packed sixteen-entry table by the nibble's value, all in registers) and the
// table-driven one (four lookups in the expanded table, for tables that have no nibble
// form). Both interleave four blocks where blocks are independent.
#include "gost28147/cores.h"

#include "common/bytes.h"
#include "gost28147/round_table.h"

namespace vantix::cores {
namespace {

// A block's key: value and mask (an all-zero mask for a plain key).
struct Keys {
    const uint32_t* value;
    const uint32_t* mask;
};

// Round key i formed where it is used. The value passes through an empty asm, so the
// optimiser can neither form the key once for all rounds nor keep (or spill) it.
VX_INLINE uint32_t round_key(const Keys& k, int i) {
    uint32_t v = k.value[i];
    asm volatile("" : "+r"(v));
    return v ^ k.mask[i];
}

struct TableF {
    const uint32_t* t;
    explicit TableF(const RoundTable& rt) : t(rt.expanded) {}
    VX_INLINE uint32_t operator()(uint32_t x) const { return gost_f(t, x); }
};

// n[j]: the table of nibble j (j = 0 the least significant), 4 bits per entry, entry v in
// bits 4v to 4v + 3.
struct NibbleF {
    uint64_t n[8];
    explicit NibbleF(const RoundTable& rt) {
        for (int j = 0; j < 8; ++j) {
            const uint8_t* row = (j % 2 == 0 ? rt.lo : rt.hi) + 16 * (j / 2);
            uint64_t packed = 0;
            for (int v = 0; v < 16; ++v) packed |= uint64_t(j % 2 == 0 ? row[v] : row[v] >> 4) << (4 * v);
            n[j] = packed;
        }
    }
    VX_INLINE uint32_t operator()(uint32_t x) const {
        uint32_t s = 0;
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j) s |= uint32_t((n[j] >> (4 * ((x >> (4 * j)) & 15))) & 15) << (4 * j);
        return (s << 11) | (s >> 21);
    }
};

template <int K, int L, class F>
VX_INLINE void rounds(const F& f, const Keys* k, uint32_t* x, uint32_t* y) {
    constexpr int R = rounds_of(K);
#pragma GCC unroll 32
    for (int r = 0; r < R; r += 2) {
#pragma GCC unroll 4
        for (int l = 0; l < L; ++l) y[l] ^= f(x[l] + round_key(k[l], key_at(K, r)));
#pragma GCC unroll 4
        for (int l = 0; l < L; ++l) x[l] ^= f(y[l] + round_key(k[l], key_at(K, r + 1)));
    }
}

template <int K, int L, class F>
VX_INLINE void lanes(const F& f, const Keys* k, uint32_t (*b)[2]) {
    uint32_t x[size_t(L)], y[size_t(L)];
    for (int l = 0; l < L; ++l) {
        x[l] = b[l][0];
        y[l] = b[l][1];
    }
    rounds<K, L>(f, k, x, y);
    for (int l = 0; l < L; ++l) {
        b[l][0] = y[l];
        b[l][1] = x[l];
    }
}

template <class F>
struct Word {
    template <int K>
    static void crypt_kind(const F& f, const Keys& key, uint32_t (*b)[2], int n) {
        const Keys k4[4] = {key, key, key, key};
        for (; n >= 4; n -= 4, b += 4) lanes<K, 4>(f, k4, b);
        for (; n > 0; --n, ++b) lanes<K, 1>(f, k4, b);
    }
    static void crypt(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t (*b)[2], int n,
                      Order order) {
        const F f(rt);
        const Keys key{value, mask};
        if (order == Order::Encrypt)
            crypt_kind<kEnc>(f, key, b, n);
        else
            crypt_kind<kDec>(f, key, b, n);
    }
    static void encrypt4(const RoundTable& rt, const uint32_t* const* keys, uint32_t (*b)[2]) {
        static constexpr uint32_t kNoMask[8] = {};
        const Keys k4[4] = {{keys[0], kNoMask}, {keys[1], kNoMask}, {keys[2], kNoMask}, {keys[3], kNoMask}};
        lanes<kEnc, 4>(F(rt), k4, b);
    }
    static void feedback(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t* reg,
                         uint32_t* gamma, const uint8_t* in, uint8_t* out, int n) {
        const F f(rt);
        const Keys key[1] = {{value, mask}};
        uint32_t r0 = reg[0], r1 = reg[1], g0 = gamma[0], g1 = gamma[1];
        for (int b = 0; b < n; ++b, in += 8, out += 8) {
            uint32_t x[1] = {r0}, y[1] = {r1};
            rounds<kEnc, 1>(f, key, x, y);
            g0 = y[0];
            g1 = x[0];
            r0 = g0 ^ load_be32(in);
            r1 = g1 ^ load_be32(in + 4);
            store_be32(out, r0);
            store_be32(out + 4, r1);
        }
        reg[0] = r0;
        reg[1] = r1;
        gamma[0] = g0;
        gamma[1] = g1;
    }
    static void mac(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t* state,
                    const uint8_t* data, int n) {
        const F f(rt);
        const Keys key[1] = {{value, mask}};
        uint32_t x[1] = {state[0]}, y[1] = {state[1]};
        for (int b = 0; b < n; ++b, data += 8) {
            x[0] ^= load_be32(data);
            y[0] ^= load_be32(data + 4);
            rounds<kMac, 1>(f, key, x, y);
        }
        state[0] = x[0];
        state[1] = y[0];
    }
    static constexpr Core core() { return Core{crypt, encrypt4, feedback, mac}; }
};

}  // namespace

const Core kTable = Word<TableF>::core();
const Core kScalar = Word<NibbleF>::core();

}  // namespace vantix::cores
