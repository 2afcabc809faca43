#include "gost28147/block.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/sbox.h"

namespace vantix {

namespace {

// Round keys are taken through a small key source so that the masked and plain variants
// share one round schedule. Masked: key i is value[i] ^ mask[i], formed per round.
struct MaskedKey {
    const uint32_t* k;
    uint32_t operator[](int i) const { return k[i] ^ k[8 + i]; }
};
struct PlainKey {
    const uint32_t* k;
    uint32_t operator[](int i) const { return k[i]; }
};

// Eight rounds with keys K0..K7 (forward) or K7..K0 (backward). Odd rounds update y,
// even rounds update x; the half swap of the standard is implicit.
template <class Key>
inline void rounds_fwd(const uint32_t* t, const Key& k, uint32_t& x, uint32_t& y) {
    y ^= gost_f(t, x + k[0]);
    x ^= gost_f(t, y + k[1]);
    y ^= gost_f(t, x + k[2]);
    x ^= gost_f(t, y + k[3]);
    y ^= gost_f(t, x + k[4]);
    x ^= gost_f(t, y + k[5]);
    y ^= gost_f(t, x + k[6]);
    x ^= gost_f(t, y + k[7]);
}

template <class Key>
inline void rounds_bwd(const uint32_t* t, const Key& k, uint32_t& x, uint32_t& y) {
    y ^= gost_f(t, x + k[7]);
    x ^= gost_f(t, y + k[6]);
    y ^= gost_f(t, x + k[5]);
    x ^= gost_f(t, y + k[4]);
    y ^= gost_f(t, x + k[3]);
    x ^= gost_f(t, y + k[2]);
    y ^= gost_f(t, x + k[1]);
    x ^= gost_f(t, y + k[0]);
}

template <class Key>
inline void encrypt32(const uint32_t* t, const Key& k, const uint32_t* in, uint32_t* out) {
    uint32_t x = in[0], y = in[1];
    rounds_fwd(t, k, x, y);
    rounds_fwd(t, k, x, y);
    rounds_fwd(t, k, x, y);
    rounds_bwd(t, k, x, y);
    out[0] = y;
    out[1] = x;
}

template <class Key>
inline void decrypt32(const uint32_t* t, const Key& k, const uint32_t* in, uint32_t* out) {
    uint32_t x = in[0], y = in[1];
    rounds_fwd(t, k, x, y);
    rounds_bwd(t, k, x, y);
    rounds_bwd(t, k, x, y);
    rounds_bwd(t, k, x, y);
    out[0] = y;
    out[1] = x;
}

// RFC 4357, section 2.3.2: the CryptoPro key-meshing constant C, in the byte order of the RFC.
constexpr uint8_t kMeshConstant[32] = {
    0x69, 0x00, 0x72, 0x22, 0x64, 0xC9, 0x04, 0x23, 0x8D, 0x3A, 0xDB, 0x96, 0x46, 0xE9, 0x2A, 0xC4,
    0x18, 0xFE, 0xAC, 0x94, 0x00, 0xED, 0x07, 0x12, 0xC0, 0x86, 0xDC, 0xC2, 0xEF, 0x4C, 0xA9, 0x2B,
};

}  // namespace

void encrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    encrypt32(t, MaskedKey{mk}, in, out);
}

void decrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    decrypt32(t, MaskedKey{mk}, in, out);
}

void encrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    encrypt32(t, PlainKey{k}, in, out);
}

void decrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    decrypt32(t, PlainKey{k}, in, out);
}

void mac_rounds(const uint32_t* t, const uint32_t* mk, uint32_t* state, const uint32_t* data) {
    const MaskedKey k{mk};
    uint32_t x = state[0] ^ data[0], y = state[1] ^ data[1];
    rounds_fwd(t, k, x, y);
    rounds_fwd(t, k, x, y);
    state[0] = x;
    state[1] = y;
}

int key_meshing(const COM_State* com, const RND_State* rnd, uint32_t* key_value,
                const uint32_t* key_mask, uint32_t* reg) {
    if (key_value == nullptr || com == nullptr || rnd == nullptr) return RC_MISSING;
    uint32_t plain[8];
    uint32_t fresh[8];
    for (int i = 0; i < 8; ++i) plain[i] = key_mask ? key_value[i] ^ key_mask[i] : key_value[i];
    for (int j = 0; j < 4; ++j) {
        const uint32_t c[2] = {load_le32(kMeshConstant + 8 * j), load_le32(kMeshConstant + 8 * j + 4)};
        decrypt_block_plain(com->expanded, plain, c, fresh + 2 * j);
    }
    if (reg != nullptr) encrypt_block_plain(com->expanded, fresh, reg, reg);
    for (int i = 0; i < 8; ++i) key_value[i] = key_mask ? fresh[i] ^ key_mask[i] : fresh[i];
    secure_wipe(plain, sizeof plain);
    secure_wipe(fresh, sizeof fresh);
    return RC_OK;
}

}  // namespace vantix
