#include "random/generator.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/transform.h"
#include "gost3411/hash_step.h"
#include "random/time_sources.h"

namespace vantix {

namespace {

struct Working {
    uint8_t x[32];
    uint8_t y[32];
    uint8_t e[32];
    uint32_t key[8];
    uint32_t blk[4][2];  // one block, in the room the cipher cores take
};

// Re-enciphers X' in CBC fashion under the plain key Y', with the time block as IV.
void refresh_block(Working& w, const RoundTable& cipher_table) {
    uint8_t t[8];
    store_le32(t, rnd_cycle_counter());
    store_le32(t + 4, rnd_elapsed_ms());
    words_from_le(w.key, w.y, 8);
    const uint8_t* chain = t;
    for (int i = 0; i < 4; ++i) {
        uint8_t* b = w.x + 8 * i;
        for (int k = 0; k < 8; ++k) b[k] ^= chain[k];
        w.blk[0][0] = load_le32(b);
        w.blk[0][1] = load_le32(b + 4);
        encrypt_blocks_plain(cipher_table, w.key, w.blk, 1);
        store_le32(b, w.blk[0][0]);
        store_le32(b + 4, w.blk[0][1]);
        chain = b;
    }
}

}  // namespace

void rnd_seed(RND_State* state, const uint8_t* seed) {
    if (seed == nullptr) {
        state->seeded = 0;
        return;
    }
    std::memcpy(state->x, seed, 32);
    std::memcpy(state->y, seed + 32, 32);
    state->counter = 0;
    state->reserved = 0;
    state->seeded = 1;
}

Result rnd_generate(RND_State* state, uint8_t* out, uint32_t blocks) {
    if (!rnd_is_seeded(state)) return RC_MISSING;
    const RoundTable& hash_table = builtin_round_table(Sbox::HashCryptoPro);
    const RoundTable& cipher_table = builtin_round_table(Sbox::CipherA);
    Working w;
    WipeOnExit<Working> wipe(w);
    std::memcpy(w.x, state->x, 32);
    std::memcpy(w.y, state->y, 32);
    std::memset(w.e, 0, 32);

    for (uint32_t blk = 0; blk < blocks; ++blk) {
        for (int b = 0; b < 8; ++b) {
            const uint32_t count = state->counter;
            if ((count & 31) == 0) {
                refresh_block(w, cipher_table);
                if ((count & 16383) == 0) {
                    hash_step(hash_table, w.x, w.y);
                    rnd_entropy(w.e);
                    hash_step(hash_table, w.y, w.e);
                } else if ((count & 1023) == 0) {
                    hash_step(hash_table, w.y, w.y);
                }
            }
            out[8 * size_t(blk) + size_t(b)] = w.x[count & 31];
            state->counter = count + 1;
        }
    }

    // Closing step: X' = f(X', Y'); Y' = f(Y', E2) with the cycle counter in bytes 0-3 of E2
    // and the rest zero.
    hash_step(hash_table, w.x, w.y);
    std::memset(w.e, 0, 32);
    store_le32(w.e, rnd_cycle_counter());
    hash_step(hash_table, w.y, w.e);

    std::memcpy(state->x, w.x, 32);
    std::memcpy(state->y, w.y, 32);
    return RC_OK;
}

Result rnd_fill(RND_State* state, uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || !rnd_is_seeded(state)) return RC_MISSING;
    if (length < 0) length = 0;
    const uint32_t whole = uint32_t(length) / 8;
    const uint32_t tail = uint32_t(length) % 8;
    if (const Result r = rnd_generate(state, buffer, whole)) return r;
    byte_swap_groups(buffer, size_t(whole) * 2);
    if (tail != 0) {
        uint8_t scratch[8] = {};
        WipeOnExit<uint8_t[8]> wipe(scratch);
        if (const Result r = rnd_generate(state, scratch, 1)) return r;
        byte_swap_groups(scratch, 2);
        std::memcpy(buffer + size_t(whole) * 8, scratch, tail);
    }
    return RC_OK;
}

}  // namespace vantix
