#include "contexts/block_context.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "contexts/context_key.h"
#include "gost28147/transform.h"

namespace vantix {

namespace {

using Transform = void (*)(const RoundTable&, const uint32_t*, uint32_t (*)[2], int);

Result block_run(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks, Transform f) {
    if (ctx == nullptr || in == nullptr || out == nullptr) return RC_MISSING;
    if (const Result r = block_ready(ctx)) return r;
    // A rewritten block may have lost its table or generator: refused as damaged.
    if (ctx->com_state == nullptr || ctx->rnd_state == nullptr) return RC_CHECKSUM;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    // The blocks that start below the limit (at most four), all at once; the call then
    // stops at the limit as it would block by block.
    const uint32_t room = ctx->byte_count < ECB_LIMIT_BYTES ? (ECB_LIMIT_BYTES - ctx->byte_count + 7) / 8 : 0;
    const int32_t n = blocks < int32_t(room) ? blocks : int32_t(room);
    if (n > 0) {
        RoundTable rt;
        round_table_prepare(ctx->com_state->expanded, &rt);
        uint32_t b[ECB_LIMIT_BYTES / 8][2];
        WipeOnExit<decltype(b)> wipe(b);
        for (int32_t j = 0; j < n; ++j) {
            b[j][0] = load_be32(in + 8 * size_t(j));
            b[j][1] = load_be32(in + 8 * size_t(j) + 4);
        }
        f(rt, ctx->key, b, int(n));
        for (int32_t j = 0; j < n; ++j) {
            store_be32(out + 8 * size_t(j), b[j][0]);
            store_be32(out + 8 * size_t(j) + 4, b[j][1]);
        }
        ctx->byte_count += 8 * uint32_t(n);
    }
    if (n < blocks) return RC_ECB_LIMIT;
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
    return block_run(ctx, in, out, blocks, encrypt_blocks);
}

Result block_decrypt(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks) {
    return block_run(ctx, in, out, blocks, decrypt_blocks);
}

Result block_clear(BlockContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_ECB;
    return RC_OK;
}

}  // namespace vantix
