#include "contexts/gamma_ofb.h"

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "contexts/context_key.h"
#include "contexts/word_order.h"
#include "gost28147/feedback_chain.h"
#include "gost28147/transform.h"

namespace vantix {

namespace {

// Byte p of the feedback register as it lies in memory (the register is two native words).
uint8_t* feedback_bytes(GammaFeedbackContext* ctx) { return reinterpret_cast<uint8_t*>(ctx->feedback); }

// The mode's loop over `length` bytes, after the checks.
Result ofb_loop(GammaFeedbackContext* ctx, const RoundTable& rt, const uint8_t* in, uint8_t* out, int32_t length,
                bool decrypt) {
    uint8_t* reg = feedback_bytes(ctx);
    // Counts processed blocks; at each meshing point the key is meshed and the register
    // enciphered under the new key.
    auto count_blocks = [&](uint32_t blocks) {
        return context_count_blocks(ctx->com_state, ctx->key, ctx->feedback, &ctx->checksum, &ctx->mesh_count, blocks,
                                    rt);
    };
    // One block of gamma from the register, into ctx->gamma as its big-endian bytes.
    auto next_gamma = [&]() {
        uint32_t g[4][2] = {{ctx->feedback[0], ctx->feedback[1]}};
        WipeOnExit<decltype(g)> wipe_g(g);
        encrypt_blocks(rt, ctx->key, g, 1);
        store_be32(ctx->gamma, g[0][0]);
        store_be32(ctx->gamma + 4, g[0][1]);
    };
    for (int32_t i = 0; i < length; ++i) {
        if (decrypt && ctx->position == 8 && length - i >= 16) {
            // Deciphering needs no result of its own to go on: the register of each block
            // is the previous ciphertext block, all known, so up to 64 blocks are
            // enciphered together (never past a meshing point), as gamma does.
            int32_t n = blocks_before_mesh(length - i, ctx->mesh_count);
            if (n > 64) n = 64;
            uint32_t blk[64][2];
            WipeOnExit<decltype(blk)> wipe_blk(blk);
            blk[0][0] = ctx->feedback[0];
            blk[0][1] = ctx->feedback[1];
            for (int b = 1; b < n; ++b) {
                blk[b][0] = load_be32(in + i + 8 * (b - 1));
                blk[b][1] = load_be32(in + i + 8 * (b - 1) + 4);
            }
            encrypt_blocks(rt, ctx->key, blk, n);
            const uint32_t last0 = load_be32(in + i + 8 * (n - 1)), last1 = load_be32(in + i + 8 * (n - 1) + 4);
            for (int b = 0; b < n; ++b) {
                uint8_t g[8];
                store_be32(g, blk[b][0]);
                store_be32(g + 4, blk[b][1]);
                for (int j = 0; j < 8; ++j) out[i + 8 * b + j] = uint8_t(g[j] ^ in[i + 8 * b + j]);
            }
            store_be32(ctx->gamma, blk[n - 1][0]);
            store_be32(ctx->gamma + 4, blk[n - 1][1]);
            ctx->feedback[0] = last0;  // the last ciphertext block, read before out was written
            ctx->feedback[1] = last1;
            i += 8 * n - 1;
            if (const Result r = count_blocks(uint32_t(n))) return r;
            continue;
        }
        if (!decrypt && ctx->position == 8 && length - i >= 16) {
            // Whole blocks up to the next meshing point in one tight loop: the register
            // and gamma stay in processor registers from block to block.
            const int32_t n = blocks_before_mesh(length - i, ctx->mesh_count);
            uint32_t g[2] = {0, 0};
            WipeOnExit<decltype(g)> wipe_g(g);
            feedback_encrypt_blocks(rt, ctx->key, ctx->feedback, g, in + i, out + i, n);
            store_be32(ctx->gamma, g[0]);
            store_be32(ctx->gamma + 4, g[1]);
            i += 8 * n - 1;
            if (const Result r = count_blocks(uint32_t(n))) return r;
            continue;
        }
        if (ctx->position == 8 && length - i >= 8) {
            // A whole block: the same steps as byte by byte below, in one go.
            next_gamma();
            for (int j = 0; j < 8; ++j) {
                const uint8_t c = decrypt ? in[i + j] : uint8_t(ctx->gamma[j] ^ in[i + j]);
                out[i + j] = decrypt ? uint8_t(ctx->gamma[j] ^ c) : c;
                reg[j] = c;
            }
            i += 7;
            ctx->feedback[0] = load_be32(reg);
            ctx->feedback[1] = load_be32(reg + 4);
            if (const Result r = count_blocks(1)) return r;
            continue;
        }
        if (ctx->position == 8) {
            next_gamma();
            ctx->position = 0;
        }
        const uint8_t c = decrypt ? in[i] : uint8_t(ctx->gamma[ctx->position] ^ in[i]);
        out[i] = decrypt ? uint8_t(ctx->gamma[ctx->position] ^ c) : c;
        reg[ctx->position] = c;
        ++ctx->position;
        if (ctx->position == 8) {
            // The eight ciphertext bytes become the register's two big-endian words.
            const uint32_t w0 = load_be32(reg), w1 = load_be32(reg + 4);
            ctx->feedback[0] = w0;
            ctx->feedback[1] = w1;
            if (const Result r = count_blocks(1)) return r;
        }
    }
    return RC_OK;
}

Result ofb_run(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length, bool decrypt,
               WordOrder order) {
    if (ctx == nullptr || in == nullptr || out == nullptr || !word_order_allows(order, length)) return RC_MISSING;
    if (const Result r = gamma_ofb_ready(ctx)) return r;
    if (!stream_fields_valid(ctx->position, ctx->mesh_count, ctx->com_state, ctx->rnd_state)) return RC_CHECKSUM;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    RoundTable rt;
    round_table_prepare(ctx->com_state->expanded, &rt);
    const Result r = run_in_word_order(order, in, out, length, [&](const uint8_t* i, uint8_t* o, int32_t n) {
        return ofb_loop(ctx, rt, i, o, n, decrypt);
    });
    if (r != RC_OK) return r;
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

}  // namespace

Result gamma_ofb_init(GammaFeedbackContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key,
                      const uint8_t* iv) {
    if (const Result r = context_init_start(ctx, com, rnd, masked_key, SeedCheck::Required)) return r;
    if (ctx->magic != MAGIC_GAMMA_OFB) static_cast<void>(gamma_ofb_clear(ctx));  // ctx is not null: it cannot fail
    ctx->rnd_state = rnd;
    ctx->com_state = com;
    ctx->feedback[0] = iv ? load_be32(iv) : 0;
    ctx->feedback[1] = iv ? load_be32(iv + 4) : 0;
    ctx->position = 8;
    ctx->checksum = context_key_load(rnd, ctx->key, masked_key);
    ctx->initialised = 1;
    ctx->mesh_count = 0;
    return RC_OK;
}

Result gamma_ofb_encrypt(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return ofb_run(ctx, in, out, length, false, WordOrder::Big);
}

Result gamma_ofb_decrypt(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return ofb_run(ctx, in, out, length, true, WordOrder::Big);
}

Result gamma_ofb_encrypt_le(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return ofb_run(ctx, in, out, length, false, WordOrder::Little);
}

Result gamma_ofb_decrypt_le(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return ofb_run(ctx, in, out, length, true, WordOrder::Little);
}

Result gamma_ofb_clear(GammaFeedbackContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_GAMMA_OFB;
    return RC_OK;
}

}  // namespace vantix
