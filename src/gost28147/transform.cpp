#include "gost28147/transform.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/sbox.h"

namespace vantix {

namespace {

// Key index of round r: K0..K7 three times, then K7..K0.
constexpr int key_index(int r) { return r < 24 ? r % 8 : 7 - r % 8; }

// The 32 rounds on L independent blocks at once, lane l under the eight round keys k[l].
// The rounds of one block form a serial chain of table lookups; interleaving independent
// blocks lets the processor overlap those chains. Odd rounds update y, even rounds x (the
// half swap of the standard is implicit); the result is (y, x).
template <int L>
inline __attribute__((always_inline)) void rounds32(const uint32_t* t, const uint32_t* const* k, uint32_t* x,
                                                    uint32_t* y) {
#pragma GCC unroll 16
    for (int r = 0; r < 32; r += 2) {
        for (int l = 0; l < L; ++l) y[l] ^= gost_f(t, x[l] + k[l][key_index(r)]);
        for (int l = 0; l < L; ++l) x[l] ^= gost_f(t, y[l] + k[l][key_index(r + 1)]);
    }
}

// Deciphering runs the key schedule backwards: K0..K7, then K7..K0 three times.
constexpr int dec_key_index(int r) { return r < 8 ? r : 7 - r % 8; }

inline void decrypt_rounds(const uint32_t* t, const uint32_t* k, uint32_t& x, uint32_t& y) {
#pragma GCC unroll 16
    for (int r = 0; r < 32; r += 2) {
        y ^= gost_f(t, x + k[dec_key_index(r)]);
        x ^= gost_f(t, y + k[dec_key_index(r + 1)]);
    }
}

// The MAC's sixteen rounds (K0..K7 twice), with no final exchange.
inline __attribute__((always_inline)) void mac_rounds16(const uint32_t* t, const uint32_t* rk, uint32_t& x,
                                                        uint32_t& y) {
#pragma GCC unroll 16
    for (int r = 0; r < 16; r += 2) {
        y ^= gost_f(t, x + rk[r % 8]);
        x ^= gost_f(t, y + rk[(r + 1) % 8]);
    }
}

template <size_t L>
void encrypt_lanes(const uint32_t* t, const uint32_t* const* keys, uint32_t (*blocks)[2]) {
    uint32_t x[L], y[L];
    for (size_t l = 0; l < L; ++l) {
        x[l] = blocks[l][0];
        y[l] = blocks[l][1];
    }
    rounds32<L>(t, keys, x, y);
    for (size_t l = 0; l < L; ++l) {
        blocks[l][0] = y[l];
        blocks[l][1] = x[l];
    }
}

// RFC 4357, section 2.3.2: the CryptoPro key-meshing constant C, in the byte order of the RFC.
constexpr uint8_t kMeshConstant[32] = {
    0x69, 0x00, 0x72, 0x22, 0x64, 0xC9, 0x04, 0x23, 0x8D, 0x3A, 0xDB, 0x96, 0x46, 0xE9, 0x2A, 0xC4,
    0x18, 0xFE, 0xAC, 0x94, 0x00, 0xED, 0x07, 0x12, 0xC0, 0x86, 0xDC, 0xC2, 0xEF, 0x4C, 0xA9, 0x2B,
};

}  // namespace

void round_keys(const uint32_t* masked_key, uint32_t* rk) {
    for (int i = 0; i < 8; ++i) rk[i] = masked_key[i] ^ masked_key[8 + i];
}

void encrypt_blocks(const uint32_t* t, const uint32_t* rk, uint32_t (*blocks)[2], int n) {
    const uint32_t* k4[4] = {rk, rk, rk, rk};
    for (; n >= 4; n -= 4, blocks += 4) encrypt_lanes<4>(t, k4, blocks);
    for (; n > 0; --n, ++blocks) encrypt_lanes<1>(t, k4, blocks);
}

void feedback_encrypt_blocks(const uint32_t* t, const uint32_t* rk, uint32_t* reg, uint32_t* gamma, const uint8_t* in,
                             uint8_t* out, int n) {
    const uint32_t* keys[1] = {rk};
    uint32_t r0 = reg[0], r1 = reg[1], g0 = gamma[0], g1 = gamma[1];
    for (int b = 0; b < n; ++b, in += 8, out += 8) {
        uint32_t x[1] = {r0}, y[1] = {r1};
        rounds32<1>(t, keys, x, y);
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

void encrypt_blocks_keys4(const uint32_t* t, const uint32_t* const* keys, uint32_t (*blocks)[2]) {
    encrypt_lanes<4>(t, keys, blocks);
}

void encrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    uint32_t rk[8];
    WipeOnExit<decltype(rk)> wipe_rk(rk);
    round_keys(mk, rk);
    encrypt_block_plain(t, rk, in, out);
}

void decrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    uint32_t rk[8];
    WipeOnExit<decltype(rk)> wipe_rk(rk);
    round_keys(mk, rk);
    decrypt_block_plain(t, rk, in, out);
}

void encrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    uint32_t b[1][2] = {{in[0], in[1]}};
    const uint32_t* keys[1] = {k};
    encrypt_lanes<1>(t, keys, b);
    out[0] = b[0][0];
    out[1] = b[0][1];
}

void decrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    uint32_t x = in[0], y = in[1];
    decrypt_rounds(t, k, x, y);
    out[0] = y;
    out[1] = x;
}

void mac_rounds(const uint32_t* t, const uint32_t* mk, uint32_t* state, const uint32_t* data) {
    uint32_t rk[8];
    WipeOnExit<decltype(rk)> wipe_rk(rk);
    round_keys(mk, rk);
    mac_rounds_rk(t, rk, state, data);
}

void mac_rounds_rk(const uint32_t* t, const uint32_t* rk, uint32_t* state, const uint32_t* data) {
    uint32_t x = state[0] ^ data[0], y = state[1] ^ data[1];
    mac_rounds16(t, rk, x, y);
    state[0] = x;
    state[1] = y;
}

void mac_blocks_rk(const uint32_t* t, const uint32_t* rk, uint32_t* state, const uint8_t* data, int n) {
    uint32_t x = state[0], y = state[1];
    for (int b = 0; b < n; ++b, data += 8) {
        x ^= load_be32(data);
        y ^= load_be32(data + 4);
        mac_rounds16(t, rk, x, y);
    }
    state[0] = x;
    state[1] = y;
}

Result key_meshing(const COM_State* com, const RND_State* rnd, uint32_t* key_value, const uint32_t* key_mask,
                   uint32_t* reg) {
    if (key_value == nullptr || com == nullptr || rnd == nullptr) return RC_MISSING;
    uint32_t plain[8];
    WipeOnExit<decltype(plain)> wipe_plain(plain);
    uint32_t fresh[8];
    WipeOnExit<decltype(fresh)> wipe_fresh(fresh);
    for (int i = 0; i < 8; ++i) plain[i] = key_mask ? key_value[i] ^ key_mask[i] : key_value[i];
    for (int j = 0; j < 4; ++j) {
        const uint32_t c[2] = {load_le32(kMeshConstant + 8 * j), load_le32(kMeshConstant + 8 * j + 4)};
        decrypt_block_plain(com->expanded, plain, c, fresh + 2 * j);
    }
    if (reg != nullptr) encrypt_block_plain(com->expanded, fresh, reg, reg);
    for (int i = 0; i < 8; ++i) key_value[i] = key_mask ? fresh[i] ^ key_mask[i] : fresh[i];
    return RC_OK;
}

}  // namespace vantix
