#include "gost28147/transform.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/cores.h"
#include "gost28147/sbox.h"

namespace vantix {

namespace {

// A plain key is a masked key whose mask is zero.
constexpr uint32_t kNoMask[8] = {};

// One block through the block array of the cores (room for four).
void one_block(const uint32_t* t, const uint32_t* value, const uint32_t* mask, const uint32_t* in, uint32_t* out,
               cores::Order order) {
    RoundTable rt;
    round_table_prepare(t, &rt);
    uint32_t b[4][2] = {{in[0], in[1]}};
    WipeOnExit<decltype(b)> wipe(b);
    cores::core_for(rt).crypt(rt, value, mask, b, 1, order);
    out[0] = b[0][0];
    out[1] = b[0][1];
}

// RFC 4357, section 2.3.2: the CryptoPro key-meshing constant C, in the byte order of the RFC.
constexpr uint8_t kMeshConstant[32] = {
    0x69, 0x00, 0x72, 0x22, 0x64, 0xC9, 0x04, 0x23, 0x8D, 0x3A, 0xDB, 0x96, 0x46, 0xE9, 0x2A, 0xC4,
    0x18, 0xFE, 0xAC, 0x94, 0x00, 0xED, 0x07, 0x12, 0xC0, 0x86, 0xDC, 0xC2, 0xEF, 0x4C, 0xA9, 0x2B,
};

}  // namespace

void encrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    one_block(t, mk, mk + 8, in, out, cores::Order::Encrypt);
}

void decrypt_block(const uint32_t* t, const uint32_t* mk, const uint32_t* in, uint32_t* out) {
    one_block(t, mk, mk + 8, in, out, cores::Order::Decrypt);
}

void encrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    one_block(t, k, kNoMask, in, out, cores::Order::Encrypt);
}

void decrypt_block_plain(const uint32_t* t, const uint32_t* k, const uint32_t* in, uint32_t* out) {
    one_block(t, k, kNoMask, in, out, cores::Order::Decrypt);
}

void encrypt_blocks(const RoundTable& rt, const uint32_t* mk, uint32_t (*blocks)[2], int n) {
    cores::core_for(rt).crypt(rt, mk, mk + 8, blocks, n, cores::Order::Encrypt);
}

void decrypt_blocks(const RoundTable& rt, const uint32_t* mk, uint32_t (*blocks)[2], int n) {
    cores::core_for(rt).crypt(rt, mk, mk + 8, blocks, n, cores::Order::Decrypt);
}

void encrypt_blocks_plain(const RoundTable& rt, const uint32_t* k, uint32_t (*blocks)[2], int n) {
    cores::core_for(rt).crypt(rt, k, kNoMask, blocks, n, cores::Order::Encrypt);
}

void decrypt_blocks_plain(const RoundTable& rt, const uint32_t* k, uint32_t (*blocks)[2], int n) {
    cores::core_for(rt).crypt(rt, k, kNoMask, blocks, n, cores::Order::Decrypt);
}

void encrypt_blocks_keys4(const RoundTable& rt, const uint32_t* const* keys, uint32_t (*blocks)[2]) {
    cores::core_for(rt).encrypt4(rt, keys, blocks);
}

Result key_meshing(const COM_State* com, uint32_t* key_value, const uint32_t* key_mask, uint32_t* reg,
                   const RoundTable* prepared) {
    if (key_value == nullptr || com == nullptr) return RC_MISSING;
    RoundTable own;
    if (prepared == nullptr) {
        round_table_prepare(com->expanded, &own);
        prepared = &own;
    }
    const RoundTable& rt = *prepared;
    // The constant's four blocks are deciphered under value and mask as they are (the old
    // key is never formed); the results are the new plain key, held here until masked.
    uint32_t fresh[4][2];
    WipeOnExit<decltype(fresh)> wipe_fresh(fresh);
    for (int j = 0; j < 4; ++j) {
        fresh[j][0] = load_le32(kMeshConstant + 8 * j);
        fresh[j][1] = load_le32(kMeshConstant + 8 * j + 4);
    }
    cores::core_for(rt).crypt(rt, key_value, key_mask ? key_mask : kNoMask, fresh, 4, cores::Order::Decrypt);
    uint32_t key[8];
    WipeOnExit<decltype(key)> wipe_key(key);
    for (int i = 0; i < 8; ++i) key[i] = fresh[i / 2][i % 2];
    if (reg != nullptr) {
        uint32_t b[4][2] = {{reg[0], reg[1]}};
        WipeOnExit<decltype(b)> wipe_b(b);
        encrypt_blocks_plain(rt, key, b, 1);
        reg[0] = b[0][0];
        reg[1] = b[0][1];
    }
    for (int i = 0; i < 8; ++i) key_value[i] = key_mask ? key[i] ^ key_mask[i] : key[i];
    return RC_OK;
}

}  // namespace vantix
