#include "gost3411/hash_step.h"

#include <cstring>

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/transform.h"

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
// word k gathers byte k of each of W's four 64-bit words.
inline void transform_p_key(uint32_t* key, const uint64_t* w) {
    for (int k = 0; k < 8; ++k) {
        key[k] = uint32_t((w[0] >> (8 * k)) & 0xFF) | uint32_t(((w[1] >> (8 * k)) & 0xFF) << 8) |
                 uint32_t(((w[2] >> (8 * k)) & 0xFF) << 16) | uint32_t(((w[3] >> (8 * k)) & 0xFF) << 24);
    }
}

// psi shifts the sixteen 16-bit words down by one and appends y0^y1^y2^y3^y12^y15: a
// linear recurrence. psi^n is n further terms of it, the last sixteen being the result.
void psi_n(uint16_t* w, int n) {
    uint16_t r[16 + 64];
    WipeOnExit<decltype(r)> wipe(r);
    for (int i = 0; i < 16; ++i) r[i] = w[i];
    for (int j = 0; j < n; ++j) r[16 + j] = r[j] ^ r[j + 1] ^ r[j + 2] ^ r[j + 3] ^ r[j + 12] ^ r[j + 15];
    for (int i = 0; i < 16; ++i) w[i] = r[n + i];
}

void load_words16(uint16_t* w, const uint8_t* b) {
    for (int i = 0; i < 16; ++i) w[i] = uint16_t(b[2 * i] | (b[2 * i + 1] << 8));
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
        uint32_t blk[4][2];
        uint16_t s[16], x[16];
    } wk;
    WipeOnExit<Work> wipe(wk);
    for (int i = 0; i < 4; ++i) {
        wk.u[i] = load_le64(h + 8 * i);
        wk.v[i] = load_le64(m + 8 * i);
    }
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
        wk.blk[j][0] = load_le32(h + 8 * j);
        wk.blk[j][1] = load_le32(h + 8 * j + 4);
    }
    const uint32_t* keys[4] = {wk.key[0], wk.key[1], wk.key[2], wk.key[3]};
    encrypt_blocks_keys4(rt, keys, wk.blk);
    for (int j = 0; j < 4; ++j) {
        wk.s[4 * j] = uint16_t(wk.blk[j][0]);
        wk.s[4 * j + 1] = uint16_t(wk.blk[j][0] >> 16);
        wk.s[4 * j + 2] = uint16_t(wk.blk[j][1]);
        wk.s[4 * j + 3] = uint16_t(wk.blk[j][1] >> 16);
    }
    // h' = psi^61(h ^ psi(m ^ psi^12(s))); m may alias h, so both are read before h is written.
    psi_n(wk.s, 12);
    load_words16(wk.x, m);
    for (int i = 0; i < 16; ++i) wk.s[i] ^= wk.x[i];
    psi_n(wk.s, 1);
    load_words16(wk.x, h);
    for (int i = 0; i < 16; ++i) wk.s[i] ^= wk.x[i];
    psi_n(wk.s, 61);
    for (int i = 0; i < 16; ++i) {
        h[2 * i] = uint8_t(wk.s[i]);
        h[2 * i + 1] = uint8_t(wk.s[i] >> 8);
    }
}

}  // namespace vantix
