// The word-at-a-time cores' operations: the round on one 32-bit word, either by four
// lookups in the expanded table (TableF) or by rotations of packed nibble tables by the
// nibble's value (NibbleF, constant time where rotations by a register count are, as on
// every x86-64), and the modes over it, four blocks interleaved where blocks are
// independent. cores_scalar.cpp compiles them for any x86-64; each vector core compiles
// them again for the one-block transforms and chains (feedback, MAC), whose speed is the
// latency of one round: there a round in general registers is shorter than one in vector
// registers (on an AMD EPYC with AVX-512 about 12 cycles against 16 with vpermb and 27
// with pshufb; simple vector instructions take 2 cycles there). Internal linkage, as in
// cores_x86.h.
#pragma once
#include <cstdint>

#include "common/bytes.h"
#include "gost28147/cores.h"
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
    VX_INLINE uint32_t xor_f(uint32_t a, uint32_t u) const { return a ^ gost_f(t, u); }
};

// The substitution of nibble j (j = 0 the least significant) is a 64-bit word holding its
// sixteen 4-bit entries, entry v in bits 4v to 4v + 3, turned left in advance by the place
// p = 4j + 11 (mod 32) that the rotation of the round gives the nibble: turning it right by
// 4v (a rotation by a register count, constant time) brings entry v to bits p to p + 3,
// where a mask keeps it. Nibble 5, whose place wraps around the 32-bit word, takes two such
// words: its entry's low bit goes to bit 31, the rest to bits 0 to 2.
//
// Written for the latency and the instruction count of one round, which bound the one-block
// chains (feedback, MAC). The rotation reads only the low six bits of its count, so a
// count is any word with 4v in bits 2 to 5 and zeros below: the round input shifted and
// masked so that each byte holds one nibble so (nibbles 0, 2, 4, 6 in one word, 1, 3 and
// 5, 7 in others), then used as it is or by its second byte, read from a high-byte
// register (at most three such words: only a, b, c and d have one, and c holds the
// count). Shifts and rotations have fewer ports than other instructions: this takes five
// shifts a round, where a shift per nibble took eight. The ten terms (nine parts and the
// word they go into) are merged as a tree.
struct NibbleF {
    uint64_t n[9];  // nibbles 0 to 7, then nibble 5's low bit
    static constexpr uint32_t kPlace[9] = {0x7800, 0x78000, 0x780000, 0x7800000, 0x78000000,
                                           0x7,    0x78,    0x780,    0x80000000};
    explicit NibbleF(const RoundTable& rt) {
        for (int j = 0; j < 8; ++j) {
            const uint64_t packed = pack(j % 2 == 0 ? rt.lo : rt.hi, j);
            const int p = j == 5 ? 0 : (4 * j + 11) % 32;
            n[j] = rotl64(packed, p);
            if (j == 5) n[8] = rotl64(packed, 28);  // the slot's bit 3 to bit 31
        }
    }
    // The sixteen entries of nibble j's row, 4 bits each, entry v in bits 4v to 4v + 3;
    // nibble 5's entries with bits 1-3 in the slot's bits 0-2 and bit 0 in its bit 3. Eight
    // entries at a time in a 64-bit word (a byte each), squeezed together.
    static uint64_t pack(const uint8_t* rows, int j) {
        uint64_t half[2];
        for (int h = 0; h < 2; ++h) {
            uint64_t a = load_le64(rows + 16 * (j / 2) + 8 * h);
            if (j % 2 != 0) a = (a >> 4) & 0x0F0F0F0F0F0F0F0Fu;  // the high-nibble rows are in bits 4-7
            if (j == 5) a = ((a >> 1) & 0x0707070707070707u) | ((a & 0x0101010101010101u) << 3);
            a = (a | (a >> 4)) & 0x00FF00FF00FF00FFu;
            a = (a | (a >> 8)) & 0x0000FFFF0000FFFFu;
            half[h] = (a | (a >> 16)) & 0xFFFFFFFFu;
        }
        return half[0] | (half[1] << 32);
    }
    static constexpr uint64_t rotl64(uint64_t v, int p) { return p == 0 ? v : (v << p) | (v >> (64 - p)); }
    // Table t turned right by the low six bits of count. The table is read from memory (its
    // address is fixed: no secret in it) by a load that can run ahead of the data; held in
    // registers, the nine tables would take the registers the round needs.
    static VX_INLINE uint64_t turn(const uint64_t& t, uint64_t count) {
        uint64_t r;
        asm("movq %1, %0\n\trorq %%cl, %0" : "=&r"(r) : "m"(t), "c"(count));
        return r;
    }
    // Table t turned right by bits 10 to 13 of w: the count is w's second byte, read from a
    // high-byte register (the count register is clobbered, so w is in another of a, b, d).
    static VX_INLINE uint64_t turn_high(const uint64_t& t, uint32_t w) {
        uint64_t r;
        asm("movzbl %h2, %%ecx\n\tmovq %1, %0\n\trorq %%cl, %0" : "=&r"(r) : "m"(t), "Q"(w) : "rcx");
        return r;
    }
    template <int I>
    VX_INLINE uint32_t part(uint32_t w) const {
        return uint32_t(turn(n[I], w)) & kPlace[I];
    }
    template <int I>
    VX_INLINE uint32_t part_high(uint32_t w) const {
        return uint32_t(turn_high(n[I], w)) & kPlace[I];
    }
    // Keeps the merge a tree: the optimiser would chain the XORs again.
    static VX_INLINE uint32_t merged(uint32_t a, uint32_t b) {
        uint32_t r = a ^ b;
        asm("" : "+r"(r));
        return r;
    }
    // a XOR the round function of u.
    VX_INLINE uint32_t xor_f(uint32_t a, uint32_t u) const {
        const uint32_t e = (u << 2) & 0x3C3C3C3Cu, o = (u >> 2) & 0x3C3C3C3Cu;
        const uint32_t e16 = (u >> 14) & 0x3C3Cu, o16 = (u >> 18) & 0x3Cu, o24 = o >> 24;
        const uint32_t t0 = merged(a, part<0>(u << 2));  // nibble 0 needs no clearing: the low bits come in as zeros
        const uint32_t t1 = merged(part<1>(o), part_high<2>(e));
        const uint32_t t2 = merged(part_high<3>(o), part<4>(e16));
        const uint32_t t3 = merged(part<5>(o16), part<8>(o16));
        const uint32_t t4 = merged(part_high<6>(e16), part<7>(o24));
        return merged(merged(t0, t1), merged(t2, t3)) ^ t4;
    }
};

template <int K, int L, class F>
VX_INLINE void word_rounds(const F& f, const Keys* k, uint32_t* x, uint32_t* y) {
    constexpr int R = rounds_of(K);
#pragma GCC unroll 32
    for (int r = 0; r < R; r += 2) {
#pragma GCC unroll 4
        for (int l = 0; l < L; ++l) y[l] = f.xor_f(y[l], x[l] + round_key(k[l], key_at(K, r)));
#pragma GCC unroll 4
        for (int l = 0; l < L; ++l) x[l] = f.xor_f(x[l], y[l] + round_key(k[l], key_at(K, r + 1)));
    }
}

template <int K, int L, class F>
VX_INLINE void lanes(const F& f, const Keys* k, uint32_t (*b)[2]) {
    uint32_t x[size_t(L)], y[size_t(L)];
    for (int l = 0; l < L; ++l) {
        x[l] = b[l][0];
        y[l] = b[l][1];
    }
    word_rounds<K, L>(f, k, x, y);
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
            word_rounds<kEnc, 1>(f, key, x, y);
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
            word_rounds<kMac, 1>(f, key, x, y);
        }
        state[0] = x[0];
        state[1] = y[0];
    }
    static constexpr Core core() { return Core{crypt, encrypt4, feedback, mac}; }
};

}  // namespace
}  // namespace vantix::cores
