#include "contexts/context_key.h"

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/sbox.h"
#include "gost28147/transform.h"
#include "random/masking.h"

namespace vantix {

uint32_t context_key_load(RND_State* rnd, uint32_t* key16, const uint8_t* mk) {
    for (int i = 0; i < 8; ++i) {
        uint8_t b[4];
        WipeOnExit<decltype(b)> wipe_b(b);
        for (int k = 0; k < 4; ++k) b[k] = mk[4 * i + k] ^ mk[32 + 4 * i + k];
        key16[i] = load_be32(b);
    }
    mask_key(rnd, key16, key16 + 8);
    return checksum_seal(key16);
}

bool context_key_intact(const uint32_t* key16, uint32_t checksum) { return checksum_verify(key16, checksum); }

uint32_t context_key_remask(RND_State* rnd, uint32_t* key16) {
    remask_key(rnd, key16, key16 + 8);
    return checksum_seal(key16);
}

Result context_count_blocks(const COM_State* com, uint32_t* key16, uint32_t* reg, uint32_t* checksum,
                            uint32_t* mesh_count, uint32_t blocks, const RoundTable& rt) {
    *mesh_count += 8 * blocks;
    if (*mesh_count != MESH_INTERVAL_BYTES) return RC_OK;
    *mesh_count = 0;
    return context_key_mesh(com, key16, reg, checksum, rt);
}

Result context_key_mesh(const COM_State* com, uint32_t* key16, uint32_t* reg, uint32_t* checksum,
                        const RoundTable& rt) {
    const Result r = key_meshing(com, key16, key16 + 8, reg, &rt);
    if (r == 0) *checksum = checksum_seal(key16);
    return r;
}

}  // namespace vantix
