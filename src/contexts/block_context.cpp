#include "contexts/block_context.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/transform.h"
#include "contexts/context_key.h"

namespace vantix {

namespace {

using Transform = void (*)(const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*);

Result block_run(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks, Transform f) {
    if (ctx == nullptr || in == nullptr || out == nullptr) return RC_MISSING;
    if (ctx->magic != MAGIC_ECB) return RC_BAD_MARKER;
    if (ctx->initialised != 1) return RC_NOT_INITIALISED;
    // A rewritten block may have lost its table or generator: refused as damaged.
    if (ctx->com_state == nullptr || ctx->rnd_state == nullptr) return RC_CHECKSUM;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    for (int32_t j = 0; j < blocks; ++j) {
        if (ctx->byte_count >= ECB_LIMIT_BYTES) return RC_ECB_LIMIT;
        uint32_t b[2] = {load_be32(in + 8 * size_t(j)), load_be32(in + 8 * size_t(j) + 4)};
        f(ctx->com_state->expanded, ctx->key, b, b);
        store_be32(out + 8 * size_t(j), b[0]);
        store_be32(out + 8 * size_t(j) + 4, b[1]);
        ctx->byte_count += 8;
    }
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

}  // namespace

Result block_init(BlockContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key) {
    if (const Result r = context_init_start(ctx, com, rnd, masked_key, SeedCheck::NotAsked)) return r;
    if (ctx->magic != MAGIC_ECB) static_cast<void>(block_clear(ctx));  // ctx is not null: it cannot fail
    ctx->com_state = com;
    ctx->rnd_state = rnd;
    ctx->checksum = context_key_load(rnd, ctx->key, masked_key);
    ctx->initialised = 1;
    ctx->byte_count = 0;
    return RC_OK;
}

Result block_encrypt(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks) {
    return block_run(ctx, in, out, blocks, encrypt_block);
}

Result block_decrypt(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks) {
    return block_run(ctx, in, out, blocks, decrypt_block);
}

Result block_clear(BlockContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_ECB;
    return RC_OK;
}

}  // namespace vantix
