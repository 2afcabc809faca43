#include "gost3411/hash_step.h"

#include <cstring>

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/block.h"

namespace vantix {

namespace {

// The standard's constant C3 as 32 bytes, least significant byte first
// (words 0xff00ff00, 0xff00ff00, 0x00ff00ff, 0x00ff00ff, 0x00ffff00, 0xff0000ff,
// 0x000000ff, 0xff00ffff, least significant word first).
constexpr uint8_t kC3[32] = {
    0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00,
    0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0x00, 0xff,
};

// A(Y): shift down by 64 bits, the new top part is y1 XOR y2.
void transform_a(uint8_t* y) {
    uint8_t top[8];
    for (int i = 0; i < 8; ++i) top[i] = y[i] ^ y[8 + i];
    std::memmove(y, y + 8, 24);
    std::memcpy(y + 24, top, 8);
}

// P(W): result byte i + 4k = W byte 8i + k.
void transform_p(uint8_t* out, const uint8_t* w) {
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 8; ++k) out[i + 4 * k] = w[8 * i + k];
}

// psi: shift the sixteen 16-bit words down by one; the new top word is
// y0 ^ y1 ^ y2 ^ y3 ^ y12 ^ y15.
void psi(uint8_t* s) {
    const uint8_t lo = s[0] ^ s[2] ^ s[4] ^ s[6] ^ s[24] ^ s[30];
    const uint8_t hi = s[1] ^ s[3] ^ s[5] ^ s[7] ^ s[25] ^ s[31];
    std::memmove(s, s + 2, 30);
    s[30] = lo;
    s[31] = hi;
}

void psi_n(uint8_t* s, int n) {
    while (n-- > 0) psi(s);
}

}  // namespace

void hash_step(const uint32_t* t, uint8_t* h, const uint8_t* m) {
    struct Work {
        uint8_t h[32], u[32], v[32], w[32], k[32], s[32];
        uint32_t key[8], blk[2];
    } wk;
    std::memcpy(wk.h, h, 32);
    std::memcpy(wk.u, h, 32);
    std::memcpy(wk.v, m, 32);
    // m may alias h: keep a private copy of the message for the mixing below.
    uint8_t msg[32];
    std::memcpy(msg, m, 32);

    for (int j = 0; j < 4; ++j) {
        if (j > 0) {
            transform_a(wk.u);
            if (j == 2)
                for (int i = 0; i < 32; ++i) wk.u[i] ^= kC3[i];
            transform_a(wk.v);
            transform_a(wk.v);
        }
        for (int i = 0; i < 32; ++i) wk.w[i] = wk.u[i] ^ wk.v[i];
        transform_p(wk.k, wk.w);
        words_from_le(wk.key, wk.k, 8);
        wk.blk[0] = load_le32(wk.h + 8 * j);
        wk.blk[1] = load_le32(wk.h + 8 * j + 4);
        encrypt_block_plain(t, wk.key, wk.blk, wk.blk);
        store_le32(wk.s + 8 * j, wk.blk[0]);
        store_le32(wk.s + 8 * j + 4, wk.blk[1]);
    }

    psi_n(wk.s, 12);
    for (int i = 0; i < 32; ++i) wk.s[i] ^= msg[i];
    psi(wk.s);
    for (int i = 0; i < 32; ++i) wk.s[i] ^= wk.h[i];
    psi_n(wk.s, 61);
    std::memcpy(h, wk.s, 32);
    secure_wipe(&wk, sizeof wk);
    secure_wipe(msg, sizeof msg);
}

}  // namespace vantix
