#include "container/derivation.h"

#include <cstdio>
#include <cstring>

#include "common/bytes.h"
#include "common/wipe.h"
#include "contexts/hash.h"
#include "gost28147/builtin_tables.h"
#include "platform/once.h"
#include "random/masking.h"

namespace vantix {

namespace {

// A COM_State of the caller's stack holding a built-in table: context inits expand the
// table they are given, so each call works on its own copy and shares nothing.
void local_table(COM_State* com, Sbox id) { std::memcpy(com->sbox, builtin_sbox(id), SBOX_BYTES); }

// The derivation blocks: block w is the concatenation, for i = 0 .. 31, of the
// GOST R 34.11-94 hash (CryptoPro table, zero start) of the ASCII label
// "tellarvantix container derivation block <w> part <i>" (w and i in decimal).
// Containers open only under these exact bytes; a golden-file test holds them fixed.
struct DerivationBlocks {
    uint8_t bytes[2][DERIVATION_BLOCK_BYTES];
    void compute() {
        COM_State com{};
        RND_State rnd{};
        local_table(&com, Sbox::HashCryptoPro);
        for (int w = 0; w < 2; ++w) {
            for (int i = 0; i < 32; ++i) {
                char label[64];
                const int n =
                    std::snprintf(label, sizeof label, "tellarvantix container derivation block %d part %d", w, i);
                // A local context, table and generator: none of these can fail.
                HashContext h{};
                static_cast<void>(hash_init(&h, &com, &rnd, nullptr));
                static_cast<void>(hash_update(&h, reinterpret_cast<const uint8_t*>(label), n));
                static_cast<void>(hash_final(&h, bytes[w] + 32 * i));
            }
        }
    }
};

}  // namespace

const uint8_t* derivation_block(int which) {
    static Once once;
    static DerivationBlocks blocks;  // computed once, safely under concurrent first use
    once.run([] { blocks.compute(); });
    return blocks.bytes[which & 1];
}

DeriveStatus derive_container_key(RND_State* rnd, const uint8_t* password, int32_t length, const uint8_t* salt,
                                  int which, uint8_t* key) {
    struct {
        uint8_t start[32];
        uint8_t digest[32];
        HashContext hash;
        COM_State com;
    } w = {};
    WipeOnExit<decltype(w)> wipe(w);
    for (int32_t i = 0; i < 32 || i < length; ++i) w.start[i % 32] ^= password[i % length];
    local_table(&w.com, Sbox::HashCryptoPro);
    const uint8_t* block = derivation_block(which);
    DeriveStatus result = DeriveStatus::Ok;
    if (hash_init(&w.hash, &w.com, rnd, w.start) != RC_OK) {
        result = DeriveStatus::HashInitFailed;
    } else {
        for (int r = 0; r < 1024 && result == DeriveStatus::Ok; ++r) {
            if (hash_update(&w.hash, block, int32_t(DERIVATION_BLOCK_BYTES)) != RC_OK)
                result = DeriveStatus::BlockUpdateFailed;
            else if (hash_update(&w.hash, salt, 8) != RC_OK)
                result = DeriveStatus::SaltUpdateFailed;
        }
        if (result == DeriveStatus::Ok && hash_final(&w.hash, w.digest) != RC_OK) result = DeriveStatus::FinalFailed;
        static_cast<void>(hash_clear(&w.hash));  // a local context: cannot fail
    }
    if (result == DeriveStatus::Ok) mask_key_bytes(rnd, w.digest, key);
    return result;
}

}  // namespace vantix
