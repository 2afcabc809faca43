#include "gost28147/gamma.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/block.h"
#include "gost28147/context_key.h"

namespace vantix {

int gamma_init(GammaContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key,
               const uint8_t* iv) {
    if (com == nullptr) return RC_MISSING;
    sbox_expand(com->sbox, com->expanded);
    if (ctx == nullptr || masked_key == nullptr || rnd == nullptr) return RC_MISSING;
    if (ctx->initialised != 0) return RC_ALREADY_INITIALISED;
    if (!rnd_is_seeded(rnd)) return RC_MISSING;
    if (ctx->magic != MAGIC_GAMMA) gamma_clear(ctx);
    ctx->rnd_state = rnd;
    ctx->com_state = com;
    context_key_load(rnd, ctx->key, masked_key);
    ctx->counter[0] = iv ? load_be32(iv) : 0;
    ctx->counter[1] = iv ? load_be32(iv + 4) : 0;
    // The standard's initial encipherment of the synchronisation message.
    encrypt_block(com->expanded, ctx->key, ctx->counter, ctx->counter);
    ctx->position = 8;
    ctx->checksum = context_key_remask(rnd, ctx->key);
    ctx->initialised = 1;
    ctx->mesh_count = 0;
    return RC_OK;
}

int gamma_crypt(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    if (ctx == nullptr || in == nullptr || out == nullptr) return RC_MISSING;
    if (ctx->magic != MAGIC_GAMMA) return RC_BAD_MARKER;
    if (ctx->initialised != 1) return RC_NOT_INITIALISED;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    const uint32_t* t = ctx->com_state->expanded;
    for (int32_t i = 0; i < length; ++i) {
        if (ctx->position == 8) {
            ctx->counter[1] = gamma_add_c1(ctx->counter[1]);
            ctx->counter[0] += GAMMA_C2;
            uint32_t g[2];
            encrypt_block(t, ctx->key, ctx->counter, g);
            store_be32(ctx->gamma, g[0]);
            store_be32(ctx->gamma + 4, g[1]);
            ctx->mesh_count += 8;
            ctx->position = 0;
            if (ctx->mesh_count == 1024) {
                ctx->mesh_count = 0;
                const int r = context_key_mesh(ctx->com_state, ctx->rnd_state, ctx->key,
                                               ctx->counter, &ctx->checksum);
                if (r != 0) return r;
            }
        }
        out[i] = ctx->gamma[ctx->position] ^ in[i];
        ++ctx->position;
    }
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

int gamma_clear(GammaContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_GAMMA;
    return RC_OK;
}

}  // namespace vantix
